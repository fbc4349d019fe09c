// Start-up: the global instances, nothing opened, the main window maximised,
// and the program's own pictures.

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "authoring/survey_list.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "resources/pictures.h"
#include "shell/about_box.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QCursor>
#include <QDirIterator>
#include <QFontInfo>
#include <QTimer>
#include <QtTest>

using namespace testing_support;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void globalInstances();
    void startUpOpensNothing();
    void mainWindowShownMaximised();
    void applicationPreparation();
    void yesToLeavingEndsTheProgram();
    void pictures_data();
    void pictures();
    void everyPictureIsListed();
};

void TestStartup::globalInstances()
{
    TestData data;
    createGlobalInstances();
    QVERIFY(Form1 && Form2 && Form3 && Form4 && Form5 && DataModule6);
    QVERIFY(Form7 && Form8 && Form9 && Form10 && Form11);
    QCOMPARE(MainWindow, static_cast<QWidget*>(Form1));
    // The main window was made before the data module and is bound to it now.
    QCOMPARE(Form1->DBEdit1->dataSource(), DataModule6->DataSource2);
    // Only the main window is ever shown, and not before start-up shows it.
    for (QWidget* w : QList<QWidget*> { Form1, Form2, Form3, Form4, Form5, Form7, Form8, Form9, Form10, Form11 })
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
    for (QWidget* w : QList<QWidget*> { Form2, Form3, Form4, Form5, Form7, Form8, Form9, Form10, Form11 })
        QVERIFY2(w->parent() == nullptr, w->metaObject()->className());
    releaseGlobalInstances();
    QVERIFY(!Form1 && !Form2 && !Form3 && !Form4 && !Form5 && !DataModule6);
    QVERIFY(!Form7 && !Form8 && !Form9 && !Form10 && !Form11);
    QVERIFY(MainWindow == nullptr);
}

void TestStartup::startUpOpensNothing()
{
    TestData data;
    const QPoint pointer(13, 17);
    QCursor::setPos(pointer);
    const QPoint before = QCursor::pos();
    createGlobalInstances();
    for (vdb::DataSet* ds : std::initializer_list<vdb::DataSet*> { DataModule6->Table1, DataModule6->Table2,
             DataModule6->Table3, DataModule6->Query1, DataModule6->Query2, DataModule6->Query3 })
        QVERIFY2(!ds->active(), qPrintable(ds->objectName()));
    QCOMPARE(QCursor::pos(), before);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    releaseGlobalInstances();
}

void TestStartup::mainWindowShownMaximised()
{
    // Start-up needs no table: with none in the data directory the window still comes up.
    TestData data(false);
    createGlobalInstances();
    showMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    QVERIFY(Form1->isMaximized());
    QCOMPARE(Form1->windowTitle(), QStringLiteral(" Vesmarin"));
    QVERIFY(Form1->Image1->isVisible());
    QTRY_COMPARE(Form1->Image1->width(), Form1->centralWidget()->width());
    QVERIFY(!mainWindowBounds().isEmpty());
    QVERIFY(!DataModule6->Table1->active());
    releaseGlobalInstances();
}

void TestStartup::applicationPreparation()
{
    prepareApplication();
    const QIcon icon = QApplication::windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(32, 32).size(), QSize(32, 32));
    QCOMPARE(QFont::substitute(QStringLiteral("MS Sans Serif")).toLower(), QStringLiteral("liberation sans"));
    QCOMPARE(QFont::substitute(QStringLiteral("Arial")).toLower(), QStringLiteral("liberation sans"));
}

void TestStartup::yesToLeavingEndsTheProgram()
{
    TestData data;
    createGlobalInstances();
    // A result row, so that a report-choice window can be open when the program ends.
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    t3->append();
    t3->fieldByName("Edicion").setAsString("1");
    t3->fieldByName("Pregunta").setAsString("Pregunta");
    t3->fieldByName("Icono").setAsString("1");
    t3->fieldByName("Rep_icono").setAsString("1");
    t3->post();
    t3->close();
    showMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));

    QStringList asked;
    auto answer = [&asked](const QString& button) {
        whenModal([&asked, button](QWidget* modal) {
            asked << lastModalText();
            findButton(modal, button)->click();
        });
    };
    QTimer::singleShot(0, Form1, [&] {
        Form1->MostrarReporte1->trigger();
        answer(QStringLiteral("No"));
        Form1->close(); // refused: the program goes on
        QTimer::singleShot(0, Form1, [&] {
            answer(QStringLiteral("Sí"));
            Form1->Salir1->trigger();
        });
    });
    bool stuck = false;
    QTimer::singleShot(10000, qApp, [&stuck] {
        stuck = true;
        QApplication::exit(1);
    });
    const int code = QApplication::exec();
    QVERIFY(!stuck);
    QCOMPARE(code, 0);
    QCOMPARE(asked, QStringList({ "¿Desea salir?", "¿Desea salir?" }));
    QVERIFY(!Form1->isVisible());
    QCOMPARE(Form1->findChildren<TForm9*>().size(), 1);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
    releaseGlobalInstances();
}

void TestStartup::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("background") << "background" << vres::kBackgroundSize;
    QTest::newRow("create") << "create_survey" << vres::kToolPictureSize;
    QTest::newRow("modify") << "modify_questions" << vres::kToolPictureSize;
    QTest::newRow("delete") << "delete_survey" << vres::kToolPictureSize;
    QTest::newRow("apply") << "apply_survey" << vres::kToolPictureSize;
    QTest::newRow("report") << "show_report" << vres::kToolPictureSize;
    QTest::newRow("icon") << "program_icon" << vres::kProgramIconSize;
    QTest::newRow("about logo") << "about_logo" << vres::kAboutLogoSize;
    QTest::newRow("about banner") << "about_banner" << vres::kAboutBannerSize;
}

void TestStartup::pictures()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage image = vres::pictureImage(name, size);
    QCOMPARE(image.size(), size);
    // Something is drawn: more than one colour, and not all transparent.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 2);
    QVERIFY(vres::pictureImage(QStringLiteral("no_such_picture"), size).isNull());
}

void TestStartup::everyPictureIsListed()
{
    // The program uses only its own pictures, and each is compiled in.
    vres::pictureImage(QStringLiteral("background"), { 1, 1 });
    QStringList found;
    QDirIterator it(QStringLiteral(":/pictures"));
    while (it.hasNext())
        found << QFileInfo(it.next()).fileName();
    found.sort();
    QCOMPARE(found,
        QStringList({ "about_banner.svg", "about_logo.svg", "apply_survey.svg", "background.svg", "create_survey.svg",
            "delete_survey.svg", "modify_questions.svg", "program_icon.svg", "show_report.svg" }));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
