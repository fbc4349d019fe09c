// Recording answers: the time texts, the accumulation in the results table,
// the 16-bit limits, and the run chain from the first notice to the end.

#include "administration/answer_recording.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "run_fixture.h"
#include "shell/run_state.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QtTest>

using namespace testing_support;
using namespace run_fixture;

// Watches the chain: every window must be shown while its opener still is.
class OpenerWatch : public QObject
{
public:
    int shown = 0;
    int openerHidden = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            QWidget* opener = nullptr;
            if (auto* n = qobject_cast<TForm4*>(watched))
                opener = n->opener();
            else if (auto* i = qobject_cast<TForm5*>(watched))
                opener = i->opener();
            else
                return false;
            ++shown;
            if (opener && (qobject_cast<TForm4*>(opener) || qobject_cast<TForm5*>(opener)) && !opener->isVisible())
                ++openerHidden;
        }
        return false;
    }
};

class TestAnswerRecording : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void timeTexts_data();
    void timeTexts();
    void accumulation();
    void separateKeys();
    void counterLimits();
    void firstAnswerTooLong();
    void chain_data();
    void chain();
    void refusedClickCanBeRepeated();
    void runKeepsWhatItWasHanded();
    void closedResultsTableIsReopened();
    void deletedSurveyGetsNoAnswers();
    void changedQuestionTextKeepsTheRun();
    void windowsAreReleased();

private:
    TForm4* startRun(const QStringList& questions, int numIconos = 4, int totalIconos = 6, int edicion = 1);
    void answerCurrent(int button = 1, bool last = false);
    std::unique_ptr<TestData> m_data;
    std::unique_ptr<QWidget> m_anchor;
    QString m_icons;
    int m_clockMs = 0;
};

void TestAnswerRecording::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_icons = m_data->path(QStringLiteral("iconos"));
    writeIcons(m_icons, 12);
    m_anchor = std::make_unique<QWidget>();
    m_clockMs = 36000000;
    // Each reading of the local clock is 1.5 s after the one before.
    run_clock::setLocal([this] {
        m_clockMs += 1500;
        return QTime::fromMSecsSinceStartOfDay(m_clockMs % 86400000);
    });
    RunUnderWay = false;
}

void TestAnswerRecording::cleanup()
{
    m_anchor.reset();
    releaseHidden();
    run_clock::setLocal({});
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

TForm4* TestAnswerRecording::startRun(const QStringList& questions, int numIconos, int totalIconos, int edicion)
{
    addSurvey(edicion, questions, numIconos, totalIconos, surveyDirectory(m_icons));
    EdicionActual = edicion;
    NumPreguntas = int(questions.size());
    NumIconos = numIconos;
    TotalIconos = totalIconos;
    DirIconos = surveyDirectory(m_icons);
    Memo1.replace(questions);
    SiguientePregunta = 1;
    DataModule6->Table3->open();
    return openFirstNotice(m_anchor.get());
}

void TestAnswerRecording::answerCurrent(int button, bool last)
{
    TForm4* notice = shownWindow<TForm4>();
    QVERIFY(notice);
    notice->BitBtn1->click();
    TForm5* icons = shownWindow<TForm5>();
    QVERIFY(icons);
    if (last)
        pressOnModal(QStringLiteral("OK"));
    icons->speedButton(button)->click();
}

void TestAnswerRecording::timeTexts_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<QTime>("end");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");
    QTest::newRow("3.045 s") << QTime(9, 0) << QTime(9, 0, 3, 45) << "0:0:3:45" << 3;
    QTest::newRow("0.999 s") << QTime(9, 0) << QTime(9, 0, 0, 999) << "0:0:0:999" << 0;
    QTest::newRow("1 h 2 min 3.4 s") << QTime(9, 0) << QTime(10, 2, 3, 400) << "1:2:3:400" << 3723;
    QTest::newRow("worked example") << QTime(10, 15, 20) << QTime(10, 15, 23, 250) << "0:0:3:250" << 3;
    QTest::newRow("across midnight") << QTime(23, 59, 58, 500) << QTime(0, 0, 1, 250) << "0:0:2:750" << 2;
    QTest::newRow("no time") << QTime(12, 0) << QTime(12, 0) << "0:0:0:0" << 0;
    QTest::newRow("longest") << QTime(0, 0) << QTime(23, 59, 59, 999) << "23:59:59:999" << 86399;
}

void TestAnswerRecording::timeTexts()
{
    QFETCH(QTime, start);
    QFETCH(QTime, end);
    QFETCH(QString, text);
    QFETCH(int, seconds);
    const AnswerTime t = answerTime(msSinceMidnight(start), msSinceMidnight(end));
    QCOMPARE(t.text, text);
    QCOMPARE(t.wholeSeconds, seconds);
    QVERIFY(t.text.size() <= 12);
}

void TestAnswerRecording::accumulation()
{
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    const QImage first = QImage(m_icons + QStringLiteral("/7.bmp"));
    const QImage other = QImage(m_icons + QStringLiteral("/3.bmp"));
    const ResultKey key { 2, QStringLiteral("¿Qué prefiere?"), 7 };
    QVERIFY(!accumulateAnswer(t3, key, QStringLiteral("0:0:3:250"), first, 3));
    QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:5:900"), other, 5));
    QList<Result> rows = results();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].rep, 2);
    QCOMPARE(rows[0].suma, 8);
    QCOMPARE(rows[0].promedio, 4);
    QCOMPARE(rows[0].tiempo, QStringLiteral("0:0:3:250")); // the first answer's
    QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:0:999"), other, 0));
    rows = results();
    QCOMPARE(rows[0].rep, 3);
    QCOMPARE(rows[0].suma, 8);
    QCOMPARE(rows[0].promedio, 2); // 8 div 3, truncated
    t3->first();
    QCOMPARE(t3->fieldByName(QStringLiteral("Grafico")).asImage().pixelColor(0, 0), first.pixelColor(0, 0));
    QCOMPARE(t3->state(), vdb::State::Browse);
}

void TestAnswerRecording::separateKeys()
{
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    const QImage picture(m_icons + QStringLiteral("/1.bmp"));
    accumulateAnswer(t3, { 1, QStringLiteral("Color"), 1 }, QStringLiteral("0:0:1:0"), picture, 1);
    accumulateAnswer(t3, { 1, QStringLiteral("color"), 1 }, QStringLiteral("0:0:1:0"), picture, 1);
    accumulateAnswer(t3, { 2, QStringLiteral("Color"), 1 }, QStringLiteral("0:0:1:0"), picture, 1);
    accumulateAnswer(t3, { 1, QStringLiteral("Color"), 11 }, QStringLiteral("0:0:1:0"), picture, 1);
    accumulateAnswer(t3, { 1, QStringLiteral("Color"), 1 }, QStringLiteral("0:0:2:0"), picture, 2);
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0].rep, 2);
    QCOMPARE(rows[0].suma, 3);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(rows[i].rep, 1);
}

void TestAnswerRecording::counterLimits()
{
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    const QImage picture(m_icons + QStringLiteral("/1.bmp"));
    const ResultKey key { 1, QStringLiteral("Límite"), 4 };
    accumulateAnswer(t3, key, QStringLiteral("0:0:0:10"), picture, 0);
    t3->first();
    t3->edit();
    t3->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("32766"));
    t3->post();

    // The 32767th answer is stored.
    QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:0:10"), picture, 0));
    QCOMPARE(results().at(0).rep, 32767);
    // The 32768th is refused, and nothing of it is kept.
    try {
        accumulateAnswer(t3, key, QStringLiteral("0:0:1:0"), picture, 1);
        QFAIL("the 32768th answer was stored");
    } catch (const vdb::Error& e) {
        QCOMPARE(e.text(),
            QStringLiteral("32768 is not a valid value for field 'Rep_icono'. The allowed range is -32768 to 32767"));
    }
    QCOMPARE(t3->state(), vdb::State::Browse);
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].rep, 32767);
    QCOMPARE(rows[0].suma, 0);
}

void TestAnswerRecording::firstAnswerTooLong()
{
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    const QImage picture(m_icons + QStringLiteral("/1.bmp"));
    QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, QStringLiteral("a"), 1 }, {}, picture, 32768));
    QVERIFY(results().isEmpty());
    // Also on a table that already has rows, where the new row is appended.
    accumulateAnswer(t3, { 1, QStringLiteral("a"), 1 }, QStringLiteral("0:0:1:0"), picture, 1);
    QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, QStringLiteral("a"), 2 }, {}, picture, 40000));
    QCOMPARE(results().size(), 1);
    QCOMPARE(t3->state(), vdb::State::Browse);
}

void TestAnswerRecording::chain_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one question") << 1;
    QTest::newRow("three questions") << 3;
    QTest::newRow("fifty questions") << 50;
}

void TestAnswerRecording::chain()
{
    QFETCH(int, count);
    QStringList questions;
    for (int q = 1; q <= count; ++q)
        questions << QStringLiteral("Pregunta número %1").arg(q);
    OpenerWatch watch;
    qApp->installEventFilter(&watch);
    startRun(questions);
    QVERIFY(RunUnderWay);
    for (int q = 1; q <= count; ++q) {
        TForm4* notice = shownWindow<TForm4>();
        QVERIFY(notice);
        QCOMPARE(notice->windowTitle(), QStringLiteral("Vesmarin - Encuesta"));
        QCOMPARE(notice->Label1->text(), questions[q - 1]);
        QCOMPARE(SiguientePregunta, q + 1);
        QVERIFY(notice->BitBtn1->isDefault());
        QVERIFY(notice->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!notice->isModal());
        notice->BitBtn1->click();
        QVERIFY(!notice->isVisible());
        TForm5* icons = shownWindow<TForm5>();
        QVERIFY(icons);
        QCOMPARE(icons->windowTitle(), QStringLiteral("%1. %2").arg(q).arg(questions[q - 1]));
        QCOMPARE(SiguientePregunta, q + 1);
        if (q == count)
            pressOnModal(QStringLiteral("OK"));
        icons->speedButton(2)->click();
        QVERIFY(!icons->isVisible());
        QCOMPARE(int(liveWindows<TForm5>().size()) <= 1, true);
        releaseHidden();
    }
    qApp->removeEventFilter(&watch);
    QCOMPARE(watch.shown, 2 * count);
    QCOMPARE(watch.openerHidden, 0);
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    QCOMPARE(SiguientePregunta, count + 1);
    QVERIFY(!DataModule6->Table3->active());
    QVERIFY(!RunUnderWay);
    QVERIFY(!shownWindow<TForm4>());
    QVERIFY(!shownWindow<TForm5>());
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), count);
    for (int q = 1; q <= count; ++q) {
        QCOMPARE(rows[q - 1].pregunta, questions[q - 1]);
        QCOMPARE(rows[q - 1].edicion, 1);
        // Each answer comes 1.5 s after its window's start reading.
        QCOMPARE(rows[q - 1].tiempo, QStringLiteral("0:0:1:500"));
        QCOMPARE(rows[q - 1].suma, 1);
    }
}

void TestAnswerRecording::refusedClickCanBeRepeated()
{
    startRun({ QStringLiteral("Única") }, 2, 2);
    shownWindow<TForm4>()->BitBtn1->click();
    TForm5* icons = shownWindow<TForm5>();
    const int refusedIcon = icons->shownIcon(1);
    // A row for that icon already at the largest count.
    vdb::Table* t3 = DataModule6->Table3;
    t3->append();
    t3->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("1"));
    t3->fieldByName(QStringLiteral("Pregunta")).setAsString(QStringLiteral("Única"));
    t3->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(refusedIcon));
    t3->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("32767"));
    t3->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QStringLiteral("10"));
    t3->fieldByName(QStringLiteral("Promedio")).setAsString(QStringLiteral("0"));
    t3->post();

    pressOnModal(QStringLiteral("OK"));
    icons->speedButton(1)->click();
    QVERIFY(lastModalText().startsWith(QStringLiteral("32768 is not a valid value for field 'Rep_icono'")));
    QVERIFY(icons->isVisible());
    QCOMPARE(SiguientePregunta, 2);
    QCOMPARE(t3->state(), vdb::State::Browse);

    pressOnModal(QStringLiteral("OK"));
    icons->speedButton(2)->click();
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].rep, 32767);
    QCOMPARE(rows[0].suma, 10);
    QCOMPARE(rows[1].icono, icons->shownIcon(2));
}

void TestAnswerRecording::runKeepsWhatItWasHanded()
{
    startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") }, 3, 6, 1);
    addSurvey(2, { QStringLiteral("Otra") }, 2, 2, surveyDirectory(m_icons));
    answerCurrent();
    // Another command meanwhile: a new survey, other questions, other icons.
    EdicionActual = 3;
    Memo1.replace({ QStringLiteral("X"), QStringLiteral("Y") });
    NumIconos = 12;
    NumPreguntas = 9;
    DirIconos = QStringLiteral("C:\\nada");
    TForm4* notice = shownWindow<TForm4>();
    QCOMPARE(notice->Label1->text(), QStringLiteral("Dos"));
    notice->BitBtn1->click();
    TForm5* icons = shownWindow<TForm5>();
    QCOMPARE(icons->windowTitle(), QStringLiteral("2. Dos"));
    QVERIFY(icons->speedButton(3)->isVisibleTo(icons));
    QVERIFY(!icons->speedButton(4)->isVisibleTo(icons));
    pressOnModal(QStringLiteral("OK"));
    icons->speedButton(3)->click();
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].edicion, 1);
    QCOMPARE(rows[1].pregunta, QStringLiteral("Dos"));
}

void TestAnswerRecording::closedResultsTableIsReopened()
{
    startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") });
    QVERIFY(RunUnderWay);
    answerCurrent();
    DataModule6->Table3->close();
    answerCurrent(1, true);
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    QCOMPARE(results().size(), 2);
    QVERIFY(!RunUnderWay);
}

void TestAnswerRecording::deletedSurveyGetsNoAnswers()
{
    startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") }, 2, 2, 1);
    answerCurrent();
    // The survey goes while its second question is on screen.
    for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2 }) {
        t->open();
        while (!t->isEmpty()) {
            t->first();
            t->deleteRecord();
        }
        t->close();
    }
    shownWindow<TForm4>()->BitBtn1->click();
    pressOnModal(QStringLiteral("OK"));
    shownWindow<TForm5>()->speedButton(1)->click();
    QCOMPARE(lastModalText(), QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados"));
    QCOMPARE(results().size(), 1);
    QVERIFY(!RunUnderWay);
    QVERIFY(!shownWindow<TForm5>());
}

void TestAnswerRecording::changedQuestionTextKeepsTheRun()
{
    startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") }, 2, 2, 1);
    answerCurrent();
    vdb::Table* t2 = DataModule6->Table2;
    t2->open();
    t2->last();
    t2->edit();
    t2->fieldByName(QStringLiteral("Preguntas")).setAsString(QStringLiteral("Dos, corregida"));
    t2->post();
    t2->close();
    answerCurrent(1, true);
    QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
    const QList<Result> rows = results();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].pregunta, QStringLiteral("Dos"));
}

void TestAnswerRecording::windowsAreReleased()
{
    QStringList questions;
    for (int q = 1; q <= 5; ++q)
        questions << QStringLiteral("P%1").arg(q);
    for (int run = 0; run < 3; ++run) {
        if (run == 0)
            startRun(questions);
        else {
            SiguientePregunta = 1;
            DataModule6->Table3->open();
            openFirstNotice(m_anchor.get());
        }
        for (int q = 1; q <= 5; ++q) {
            answerCurrent(1, q == 5);
            releaseHidden();
            QCOMPARE(int(liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), q == 5 ? 0 : 1);
        }
    }
    int answers = 0;
    for (const Result& r : results())
        answers += r.rep;
    QCOMPARE(answers, 15);
}

QTEST_MAIN(TestAnswerRecording)
#include "tst_answer_recording.moc"
