// From start-up to exit, and the program's pictures.

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
#include "store/tables.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QCursor>
#include <QDirIterator>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace testing_support;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void fromStartToExit();
};

void TestStartup::fromStartToExit()
{
    // Start-up needs no table: with none in the data directory the window still comes up.
    TestData data(false);
    const QPoint before = QCursor::pos();
    prepareApplication();
    QVERIFY(!QApplication::windowIcon().isNull());
    // Message boxes and Qt's own windows speak in the forms' typeface, and
    // Qt's own dialogs (print, page set-up, files) in the program's language.
    const QFontInfo boxFont(QMessageBox().font());
    QCOMPARE(QStringList({ boxFont.family(), QString::number(boxFont.pixelSize()),
                 QCoreApplication::translate("QPlatformTheme", "Save"),
                 QCoreApplication::translate("QPrintDialog", "Print") }),
        QStringList({ "Liberation Sans", "11", "Guardar", "Imprimir" }));

    createGlobalInstances();
    // Start-up makes the main window only; each dialog is made on first use.
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<vui::Form*>(w), w->metaObject()->className());
    const QList<QWidget*> windows { Form1, Form2, Form3, Form4, Form5, Form7, Form8, Form9, Form10, Form11 };
    QVERIFY(!windows.contains(nullptr) && DataModule6);
    // The main window was made before the data module and is bound to it now.
    QCOMPARE(Form1->DBEdit1->dataSource(), DataModule6->DataSource2);
    for (QWidget* w : windows)
        QVERIFY2(!w->isVisible() && (w == Form1 || !w->parent()), w->metaObject()->className());
    for (vdb::DataSet* ds : DataModule6->findChildren<vdb::DataSet*>())
        QVERIFY2(!ds->active(), qPrintable(ds->objectName()));
    QCOMPARE(QCursor::pos(), before);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // Fonts are given in pixels, so a screen with a higher font resolution
    // changes no text's size, and every label shows its whole text.
    QImage dense(1, 1, QImage::Format_RGB32);
    dense.setDotsPerMeterY(qRound(120 / 0.0254));
    for (QWidget* w : windows)
        for (QLabel* label : w->findChildren<QLabel*>())
            QVERIFY2(
                QFontMetrics(label->font(), &dense).horizontalAdvance(label->text()) <= label->contentsRect().width(),
                qPrintable(label->objectName() + QLatin1Char(' ') + label->text()));

    showMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    QVERIFY(Form1->isMaximized());
    QVERIFY(!mainWindowBounds().isEmpty());

    // With a result row, each press opens a report choice, not modal; with
    // them open, "Sí" to leaving ends the program with status 0.
    QVERIFY(createMissingTables(data.directory()).isEmpty());
    writeResult(1, QStringLiteral("Pregunta"), 1, 1, 1);
    QTimer::singleShot(0, Form1, [] {
        Form1->MostrarReporte1->trigger();
        Form1->MostrarReporte1->trigger();
        pressOnModal(QStringLiteral("Sí"));
        Form1->Salir1->trigger();
    });
    QTimer::singleShot(10000, qApp, [] { QApplication::exit(1); }); // stuck
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(Form1->findChildren<TForm9*>().size(), 2);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
    releaseGlobalInstances();
    QVERIFY(!Form1 && !Form2 && !Form3 && !Form4 && !Form5 && !DataModule6);
    QVERIFY(!Form7 && !Form8 && !Form9 && !Form10 && !Form11 && !MainWindow);

    // Every picture compiled in draws something: more than two colours.
    int count = 0;
    for (QDirIterator it(QStringLiteral(":/pictures")); it.hasNext(); ++count) {
        const QString name = QFileInfo(it.next()).completeBaseName();
        const QImage image = vres::pictureImage(name, vres::kToolPictureSize).convertToFormat(QImage::Format_ARGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        QVERIFY2(QSet<QRgb>(pixels, pixels + image.width() * image.height()).size() > 2, qPrintable(name));
    }
    QCOMPARE(count, 9);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
