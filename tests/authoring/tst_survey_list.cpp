// The survey list in select mode: what it shows, the navigator, and the
// hand-over that starts a run, with its icon check.

#include "authoring/survey_list.h"
#include "shell/run_state.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QtTest>

using namespace testing_support;
using namespace run_fixture;

namespace {
const QString kIncorrectos = QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados");
}

class TestSurveyList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout();
    void oneSurveyHidesTheNavigator();
    void navigatorRefillsTheList();
    void handOver();
    void enterPressesAceptar();
    void failingIconCheck_data();
    void failingIconCheck();
    void refusedSurveyShape_data();
    void refusedSurveyShape();
    void noIconFilesToCheck();
    void fieldThatIsNoNumber();
    void cancelar();
    void roadTest();

private:
    // Opens the list as "Aplicar Encuesta" does and lets `act` answer it.
    int openSelectMode(const std::function<void(TForm7*)>& act);
    std::unique_ptr<TestData> m_data;
    QString m_icons;
};

void TestSurveyList::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_icons = m_data->path(QStringLiteral("iconos"));
    writeIcons(m_icons, 6);
    RunUnderWay = false;
}

void TestSurveyList::cleanup()
{
    for (TForm7* w : liveWindows<TForm7>())
        delete w;
    releaseHidden();
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

int TestSurveyList::openSelectMode(const std::function<void(TForm7*)>& act)
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    auto* form = new TForm7;
    form->setWindowTitle(QStringLiteral(" Vesmarin - Selección de Encuesta"));
    form->BitBtn1->show();
    whenModal([form, act](QWidget*) { act(form); });
    return form->showModal();
}

void TestSurveyList::layout()
{
    addSurvey(1, { QStringLiteral("a") }, 2, 6, surveyDirectory(m_icons));
    EdicionActual = 1;
    TForm7 form;
    // The opener chooses the mode: both mode buttons start hidden, on the same spot.
    QVERIFY(!form.BitBtn1->isVisibleTo(&form));
    QVERIFY(!form.BitBtn3->isVisibleTo(&form));
    QCOMPARE(form.BitBtn3->geometry(), form.BitBtn1->geometry());
    QVERIFY(!form.BitBtn3->icon().isNull());
    QCOMPARE(form.BitBtn3->modalResult(), int(vui::mrOk));
    QVERIFY(!form.DBEdit1->isEnabled());
    QCOMPARE(form.ListBox1->focusPolicy(), Qt::NoFocus);
    // Made at start-up: nothing opened, nothing filled.
    DataModule6->Table1->close();
    TForm7 global(nullptr, false);
    QVERIFY(!DataModule6->Table1->active());
    QCOMPARE(global.ListBox1->count(), 0);
}

void TestSurveyList::oneSurveyHidesTheNavigator()
{
    addSurvey(1, { QStringLiteral("Primera"), QString(), QStringLiteral("Tercera") }, 3, 6, surveyDirectory(m_icons));
    EdicionActual = 1;
    TForm7 form;
    QVERIFY(!form.DBNavigator1->isVisibleTo(&form));
    QVERIFY(DataModule6->Table1->active());
    QVERIFY(DataModule6->Table2->active());
    QCOMPARE(form.DBEdit1->text(), QStringLiteral("1"));
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(form.ListBox1->item(1)->text(), QStringLiteral(" "));
    QCOMPARE(form.ListBox1->item(2)->text(), QStringLiteral("Tercera"));
}

void TestSurveyList::navigatorRefillsTheList()
{
    addSurvey(1, { QStringLiteral("1a"), QStringLiteral("1b") }, 2, 6, surveyDirectory(m_icons));
    addSurvey(2, { QStringLiteral("2a") }, 2, 6, surveyDirectory(m_icons));
    addSurvey(3, { QStringLiteral("3a"), QStringLiteral("3b"), QStringLiteral("3c") }, 2, 6, surveyDirectory(m_icons));
    DataModule6->Table1->open();
    DataModule6->Table1->last();
    EdicionActual = 3;
    TForm7 form;
    form.show();
    QVERIFY(form.DBNavigator1->isVisible());
    QCOMPARE(form.DBEdit1->text(), QStringLiteral("1")); // opens on the first survey
    auto lines = [&] {
        QStringList l;
        for (int i = 0; i < form.ListBox1->count(); ++i)
            l << form.ListBox1->item(i)->text();
        return l;
    };
    QCOMPARE(lines(), (QStringList { QStringLiteral("1a"), QStringLiteral("1b") }));
    QVERIFY(!form.DBNavigator1->button(vui::DBNavigator::nbPrior)->isEnabled());
    form.DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    QCOMPARE(form.DBEdit1->text(), QStringLiteral("2"));
    QCOMPARE(lines(), QStringList { QStringLiteral("2a") });
    form.DBNavigator1->button(vui::DBNavigator::nbLast)->click();
    QCOMPARE(form.DBEdit1->text(), QStringLiteral("3"));
    QCOMPARE(lines().size(), 3);
    form.DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    QCOMPARE(form.DBEdit1->text(), QStringLiteral("3"));
    QCOMPARE(lines().size(), 3);
    QVERIFY(!form.DBNavigator1->button(vui::DBNavigator::nbNext)->isEnabled());
    QVERIFY(!form.DBNavigator1->button(vui::DBNavigator::nbLast)->isEnabled());
    form.DBNavigator1->button(vui::DBNavigator::nbFirst)->click();
    QCOMPARE(lines(), (QStringList { QStringLiteral("1a"), QStringLiteral("1b") }));
}

void TestSurveyList::handOver()
{
    addSurvey(1, { QStringLiteral("Otra") }, 2, 6, surveyDirectory(m_icons));
    addSurvey(2, { QStringLiteral("¿Cuál?"), QString() }, 5, 6, surveyDirectory(m_icons));
    Memo1.replace({ QStringLiteral("vieja") });
    const int result = openSelectMode([](TForm7* form) {
        form->DBNavigator1->press(vui::DBNavigator::nbNext);
        QVERIFY(form->BitBtn1->isDefault());
        form->BitBtn1->click();
    });
    QCOMPARE(result, int(vui::mrOk));
    QCOMPARE(EdicionActual, 2);
    QCOMPARE(NumPreguntas, 2);
    QCOMPARE(NumIconos, 5);
    QCOMPARE(TotalIconos, 6);
    QCOMPARE(DirIconos, surveyDirectory(m_icons));
    QCOMPARE(Memo1.lines(), (QStringList { QStringLiteral("¿Cuál?"), QStringLiteral(" ") }));
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Table2->active());
    QVERIFY(DataModule6->Table3->active());
    QCOMPARE(SiguientePregunta, 2);
    QVERIFY(RunUnderWay);
    TForm4* notice = shownWindow<TForm4>();
    QVERIFY(notice);
    QCOMPARE(notice->Label1->text(), QStringLiteral("¿Cuál?"));
    QVERIFY(!notice->isModal());
    TForm7* list = liveWindows<TForm7>().value(0);
    QVERIFY(list && !list->isVisible());
    QCOMPARE(notice->parentWidget(), list);
}

void TestSurveyList::enterPressesAceptar()
{
    addSurvey(1, { QStringLiteral("Uno") }, 2, 6, surveyDirectory(m_icons));
    openSelectMode([](TForm7* form) { QTest::keyClick(form, Qt::Key_Return); });
    QVERIFY(shownWindow<TForm4>());
    QCOMPARE(SiguientePregunta, 2);
}

void TestSurveyList::failingIconCheck_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("4.bmp missing") << "missing";
    QTest::newRow("not a bitmap") << "text";
    QTest::newRow("empty") << "empty";
    QTest::newRow("png named bmp") << "png";
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("a directory") << "directory";
}

void TestSurveyList::failingIconCheck()
{
    QFETCH(QString, kind);
    const QString file = m_icons + QStringLiteral("/4.bmp");
    QFile::remove(file);
    if (kind == QLatin1String("text") || kind == QLatin1String("empty")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text"))
            f.write("BM but nothing after");
    } else if (kind == QLatin1String("truncated")) {
        writeBitmap(file, 40, 40);
        QFile f(file);
        QVERIFY(f.resize(f.size() - 10));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(file));
    } else if (kind == QLatin1String("png")) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(file, "PNG"));
    }
    QVERIFY_THROWS_EXCEPTION(vdb::Error, checkIconFiles(5));

    addSurvey(1, { QStringLiteral("Uno") }, 2, 5, surveyDirectory(m_icons));
    openSelectMode([](TForm7* form) {
        pressOnModal(QStringLiteral("OK"));
        form->BitBtn1->click();
    });
    QCOMPARE(lastModalText(), kIncorrectos);
    QVERIFY(!DataModule6->Table3->active());
    QVERIFY(!shownWindow<TForm4>());
    QVERIFY(!RunUnderWay);
    QCOMPARE(SiguientePregunta, 1);
    QCOMPARE(TotalIconos, 5); // what was set before the check stays set
    QVERIFY(!liveWindows<TForm7>().value(0)->isVisible());
}

void TestSurveyList::refusedSurveyShape_data()
{
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("icons");
    QTest::newRow("one icon") << 2 << 1;
    QTest::newRow("thirteen icons") << 2 << 13;
    QTest::newRow("no questions") << 0 << 4;
    QTest::newRow("51 questions") << 51 << 4;
}

void TestSurveyList::refusedSurveyShape()
{
    QFETCH(int, questions);
    QFETCH(int, icons);
    QStringList texts;
    for (int i = 0; i < questions; ++i)
        texts << QStringLiteral("q%1").arg(i);
    addSurvey(1, texts, icons, 6, surveyDirectory(m_icons));
    openSelectMode([](TForm7* form) {
        pressOnModal(QStringLiteral("OK"));
        form->BitBtn1->click();
    });
    QCOMPARE(lastModalText(), kIncorrectos);
    QVERIFY(!shownWindow<TForm4>());
    QVERIFY(!RunUnderWay);
    QVERIFY(!DataModule6->Table3->active());
    QVERIFY(!surveyShapeValid(icons, questions));
}

void TestSurveyList::noIconFilesToCheck()
{
    addSurvey(1, { QStringLiteral("Uno") }, 2, 0, surveyDirectory(m_data->path(QStringLiteral("nada"))));
    openSelectMode([](TForm7* form) { form->BitBtn1->click(); });
    QVERIFY(shownWindow<TForm4>());
    checkIconFiles(0);
}

void TestSurveyList::fieldThatIsNoNumber()
{
    addSurvey(1, { QStringLiteral("Uno") }, 2, 6, surveyDirectory(m_icons));
    DataModule6->Table1->open();
    DataModule6->Table1->first();
    DataModule6->Table1->edit();
    DataModule6->Table1->fieldByName(QStringLiteral("Total_ico")).setAsString(QString());
    DataModule6->Table1->post();
    Memo1.replace({ QStringLiteral("antes") });
    SiguientePregunta = 7;
    const int result = openSelectMode([](TForm7* form) {
        pressOnModal(QStringLiteral("OK"));
        form->BitBtn1->click();
    });
    QCOMPARE(lastModalText(), QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(result, int(vui::mrOk)); // the dialog still closes
    QCOMPARE(NumIconos, 2); // set before the failing step
    QCOMPARE(Memo1.lines(), QStringList { QStringLiteral("antes") });
    QCOMPARE(SiguientePregunta, 7);
    QVERIFY(DataModule6->Table1->active());
    QVERIFY(!shownWindow<TForm4>());
}

void TestSurveyList::cancelar()
{
    addSurvey(1, { QStringLiteral("Uno") }, 2, 6, surveyDirectory(m_icons));
    addSurvey(2, { QStringLiteral("Dos") }, 2, 6, surveyDirectory(m_icons));
    EdicionActual = 99;
    SiguientePregunta = 5;
    const int result = openSelectMode([](TForm7* form) {
        form->DBNavigator1->press(vui::DBNavigator::nbNext);
        QTest::keyClick(form, Qt::Key_Escape);
    });
    QCOMPARE(result, int(vui::mrCancel));
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Table2->active());
    QVERIFY(DataModule6->Table3->active());
    QVERIFY(DataModule6->Query1->active());
    QCOMPARE(EdicionActual, 2); // the opener's count; the list itself changed nothing
    QCOMPARE(SiguientePregunta, 5);
    QVERIFY(results().isEmpty());
}

void TestSurveyList::roadTest()
{
    // A survey of two questions with three icons out of six pictures, taken twice.
    addSurvey(
        1, { QStringLiteral("¿Qué animal prefiere?"), QStringLiteral("¿Qué color?") }, 3, 6, surveyDirectory(m_icons));
    QMap<QString, int> chosen; // "question/icon" -> times
    for (int round = 0; round < 2; ++round) {
        openSelectMode([](TForm7* form) { form->BitBtn1->click(); });
        for (int q = 1; q <= 2; ++q) {
            TForm4* notice = shownWindow<TForm4>();
            QVERIFY(notice);
            notice->BitBtn1->click();
            TForm5* icons = shownWindow<TForm5>();
            QVERIFY(icons);
            const int button = q == 1 ? 3 : 1;
            chosen[Memo1.entry(q - 1) + QLatin1Char('/') + QString::number(icons->shownIcon(button))] += 1;
            if (q == 2)
                pressOnModal(QStringLiteral("OK"));
            QTest::mouseClick(icons->speedButton(button), Qt::LeftButton);
            QVERIFY(!icons->isVisible());
        }
        QTRY_COMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
        releaseHidden();
        // Nothing of the run is left: its windows and the list that started it are released.
        QCOMPARE(int(liveWindows<TForm7>().size() + liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), 0);
    }
    QMap<QString, int> stored;
    for (const Result& r : results()) {
        QCOMPARE(r.edicion, 1);
        stored[r.pregunta + QLatin1Char('/') + QString::number(r.icono)] = r.rep;
    }
    QCOMPARE(stored, chosen);
}

QTEST_MAIN(TestSurveyList)
#include "tst_survey_list.moc"
