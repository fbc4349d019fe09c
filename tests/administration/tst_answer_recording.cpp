// Recording answers: the time texts, the accumulation in the results table,
// the 16-bit limits, and the run chain from the first notice to the end.

#include "administration/answer_recording.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "authoring/survey_deletion.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QSqlDatabase>
#include <QWindow>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace testing_support;
using run_fixture::liveWindows;
using run_fixture::releaseHidden;
using run_fixture::shownWindow;

namespace {

QWidget* openerOf(QObject* window)
{
    if (auto* notice = qobject_cast<TForm4*>(window))
        return notice->opener();
    auto* icons = qobject_cast<TForm5*>(window);
    return icons ? icons->opener() : nullptr;
}

// Watches the chain: every window must be shown while its opener still is.
class OpenerWatch : public QObject
{
public:
    int shown = 0;
    int openerHidden = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && (qobject_cast<TForm4*>(watched) || qobject_cast<TForm5*>(watched))) {
            ++shown;
            QWidget* opener = openerOf(watched);
            if (opener && openerOf(opener) && !opener->isVisible())
                ++openerHidden;
        }
        return false;
    }
};

} // namespace

class TestAnswerRecording : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_run = std::make_unique<run_fixture::RunData>(12);
        m_anchor = std::make_unique<QWidget>();
        m_clockMs = 36000000;
        m_steadyMs = 0;
        // Each reading of the clocks is 1.5 s after the one before.
        run_clock::setNow([this] {
            m_clockMs += 1500;
            m_steadyMs += 1500;
            return run_clock::Reading { QTime::fromMSecsSinceStartOfDay(m_clockMs % 86400000), m_steadyMs };
        });
        RunUnderWay = false;
    }
    void cleanup()
    {
        m_anchor.reset();
        releaseHidden();
        run_clock::setNow({});
        m_run.reset();
    }

    void timeTexts_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("end");
        QTest::addColumn<qint64>("steady"); // the steady clock's count from start to end
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("3.045 s") << QTime(9, 0) << QTime(9, 0, 3, 45) << 3045ll << "0:0:3:45" << 3;
        QTest::newRow("0.999 s") << QTime(9, 0) << QTime(9, 0, 0, 999) << 999ll << "0:0:0:999" << 0;
        QTest::newRow("1 h 2 min 3.4 s") << QTime(9, 0) << QTime(10, 2, 3, 400) << 3723400ll << "1:2:3:400" << 3723;
        QTest::newRow("across midnight") << QTime(23, 59, 58, 500) << QTime(0, 0, 1, 250) << 2750ll << "0:0:2:750" << 2;
        QTest::newRow("no time") << QTime(12, 0) << QTime(12, 0) << 0ll << "0:0:0:0" << 0;
        QTest::newRow("longest") << QTime(0, 0) << QTime(23, 59, 59, 999) << 86399999ll << "23:59:59:999" << 86399;
        // The local clock is what is stored while the two agree to within readings taken apart...
        QTest::newRow("readings apart") << QTime(9, 0) << QTime(9, 0, 3, 45) << 3046ll << "0:0:3:45" << 3;
        QTest::newRow("over a day") << QTime(9, 0) << QTime(9, 0, 1) << 86401000ll << "0:0:1:0" << 1;
        // ...and the steady count once the clock was set back past the start.
        QTest::newRow("set back 1 s") << QTime(9, 0) << QTime(8, 59, 59, 800) << 200ll << "0:0:0:200" << 0;
    }
    void timeTexts()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, end);
        QFETCH(qint64, steady);
        QFETCH(QString, text);
        QFETCH(int, seconds);
        const AnswerTime t = answerTime(msSinceMidnight(start), msSinceMidnight(end), steady);
        QCOMPARE(t.text, text);
        QCOMPARE(t.wholeSeconds, seconds);
    }

    void accumulationAndTruncation()
    {
        vdb::Table* t3 = DataModule6->Table3;
        t3->open();
        const QImage first(m_run->icons + QStringLiteral("/7.bmp"));
        const QImage other(m_run->icons + QStringLiteral("/3.bmp"));
        const ResultKey key { 2, QStringLiteral("Color"), 7 };
        QVERIFY(!accumulateAnswer(t3, key, QStringLiteral("0:0:3:250"), first, 3));
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:5:900"), other, 5));
        QCOMPARE(results(), QStringList { "2|Color|7|0:0:3:250|2|8|4" }); // the first answer's time
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:0:999"), other, 0));
        QCOMPARE(results(), QStringList { "2|Color|7|0:0:3:250|3|8|2" }); // 8 div 3, truncated
        // Another text, edition or icon is another row.
        for (const ResultKey& k :
            { ResultKey { 2, "color", 7 }, ResultKey { 1, "Color", 7 }, ResultKey { 2, "Color", 11 } })
            QVERIFY(!accumulateAnswer(t3, k, QStringLiteral("0:0:1:0"), other, 1));
        QCOMPARE(results().size(), 4);
        t3->first();
        QCOMPARE(t3->fieldByName(QStringLiteral("Grafico")).asImage().pixelColor(0, 0), first.pixelColor(0, 0));
        QCOMPARE(t3->state(), vdb::State::Browse);
        // Rows another program wrote that read as the key all count: a text
        // stored as bytes, a number with trailing letters, a second copy.
        withTableFile(m_run->data.tablePath(QStringLiteral("tesis.DB")), [](QSqlDatabase& db) {
            execOn(db,
                QStringLiteral("INSERT INTO tesis (Edicion, Pregunta, Icono, Suma_tiempo, Rep_icono) VALUES "
                               "(2, X'436F6C6F72', '7x', 0, 1), ('2', 'Color', 7.0, 0, 1)"));
        });
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:1:0"), other, 1));
        QCOMPARE(results("Rep_icono").mid(4), (QStringList { "2", "2" }));
        QCOMPARE(results("Rep_icono").first(), QStringLiteral("4"));
    }

    void counterLimits()
    {
        vdb::Table* t3 = DataModule6->Table3;
        t3->open();
        const QImage picture(m_run->icons + QStringLiteral("/1.bmp"));
        // A first answer too long for a 16-bit sum is refused, on an empty table or not.
        QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, "a", 1 }, {}, picture, 32768));
        QVERIFY(results().isEmpty());
        writeResult(1, QStringLiteral("Límite"), 4, 32766, 0);
        QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, "a", 2 }, {}, picture, 40000));
        QCOMPARE(results().size(), 1);
        // The 32767th answer is stored; the 32768th is refused, and nothing of it is kept.
        const ResultKey key { 1, QStringLiteral("Límite"), 4 };
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:0:10"), picture, 0));
        QCOMPARE(errorOf([&] { accumulateAnswer(t3, key, QStringLiteral("0:0:1:0"), picture, 1); }),
            QStringLiteral("32768 is not a valid value for field 'Rep_icono'. The allowed range is -32768 to 32767"));
        QCOMPARE(t3->state(), vdb::State::Browse);
        QCOMPARE(results(), QStringList { "1|Límite|4|0:0:1:0|32767|0|0" });
    }

    void chain_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one question") << 1;
        QTest::newRow("three questions") << 3;
        QTest::newRow("fifty questions") << 50;
    }
    void chain()
    {
        QFETCH(int, count);
        QStringList questions, expected;
        for (int q = 1; q <= count; ++q) {
            questions << QStringLiteral("Pregunta número %1").arg(q);
            // Each answer comes 1.5 s after its window's start reading.
            expected << QStringLiteral("1|%1|0:0:1:500|1|1").arg(questions.last());
        }
        OpenerWatch watch;
        qApp->installEventFilter(&watch);
        startRun(questions);
        QVERIFY(RunUnderWay);
        for (int q = 1; q <= count; ++q) {
            TForm4* notice = shownWindow<TForm4>();
            QVERIFY(notice);
            QCOMPARE(notice->Label1->text(), questions[q - 1]);
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
            // The windows done with are released: only the next notice lives on.
            releaseHidden();
            QCOMPARE(int(liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), q == count ? 0 : 1);
        }
        qApp->removeEventFilter(&watch);
        QCOMPARE(watch.shown, 2 * count);
        QCOMPARE(watch.openerHidden, 0);
        QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
        QVERIFY(!DataModule6->Table3->active());
        QVERIFY(!RunUnderWay);
        QVERIFY(!shownWindow<TForm4>() && !shownWindow<TForm5>());
        QCOMPARE(results("Edicion, Pregunta, Tiempo, Rep_icono, Suma_tiempo"), expected);
    }

    void clockSetDuringAnswer_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("set back 1 s") << -1000;
        QTest::newRow("forward 1 h") << 3600000;
        QTest::newRow("summer time ends") << -3600000; // once a 23-hour answer, refused at every click
    }
    void clockSetDuringAnswer()
    {
        QFETCH(int, step);
        startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") }, 2, 2);
        shownWindow<TForm4>()->BitBtn1->click();
        m_clockMs += step;
        shownWindow<TForm5>()->speedButton(1)->click();
        answerCurrent(1, true);
        QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
        QCOMPARE(results("Pregunta, Tiempo, Suma_tiempo"), (QStringList { "Uno|0:0:1:500|1", "Dos|0:0:1:500|1" }));
    }

    void refusedClickCanBeRepeated()
    {
        startRun({ QStringLiteral("Única") }, 2, 2);
        // No way out of a run but its answers: the window system's close is refused.
        auto closeFromWindowSystem = [](QWidget* w) {
            QCloseEvent close;
            QCoreApplication::sendEvent(w->windowHandle(), &close);
            return w->isVisible();
        };
        TForm4* notice = shownWindow<TForm4>();
        QVERIFY(closeFromWindowSystem(notice));
        notice->BitBtn1->click();
        TForm5* icons = shownWindow<TForm5>();
        QVERIFY(closeFromWindowSystem(icons));
        // A row for the icon on button 1 already at the largest count.
        writeResult(1, QStringLiteral("Única"), icons->shownIcon(1), 32767, 0);
        pressOnModal(QStringLiteral("OK"));
        icons->speedButton(1)->click();
        QVERIFY(lastModalText().startsWith(QStringLiteral("32768 is not a valid value for field 'Rep_icono'")));
        QVERIFY(icons->isVisible());
        QCOMPARE(SiguientePregunta, 2);
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        pressOnModal(QStringLiteral("OK"));
        icons->speedButton(2)->click();
        QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
        // The second click is the start's second clock reading after it: 3 s.
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"),
            (QStringList { QStringLiteral("%1|32767|0").arg(icons->shownIcon(1)),
                QStringLiteral("%1|1|3").arg(icons->shownIcon(2)) }));
    }

    void runKeepsWhatItWasHanded()
    {
        startRun({ QStringLiteral("Uno"), QStringLiteral("Dos") }, 3, 6, 1);
        answerCurrent();
        // Meanwhile other commands: a new survey, other questions, other icons,
        // the text of the running survey's next question changed and the
        // results table closed.
        writeSurvey(2, { QStringLiteral("Otra") }, 2, 2, DirIconos);
        EdicionActual = 3;
        Memo1.replace({ QStringLiteral("X"), QStringLiteral("Y") });
        NumIconos = 12;
        NumPreguntas = 9;
        DirIconos = QStringLiteral("C:\\nada");
        withTableFile(m_run->data.tablePath(QStringLiteral("preguntas.DB")), [](QSqlDatabase& db) {
            execOn(db, QStringLiteral("UPDATE preguntas SET Preguntas = 'Dos, corregida' WHERE Preguntas = 'Dos'"));
        });
        DataModule6->Table3->close();
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
        QCOMPARE(results("Edicion, Pregunta"), (QStringList { "1|Uno", "1|Dos" }));
        QVERIFY(!RunUnderWay);
    }

    // Survey 2 of three alike runs while surveys change: it follows its own
    // survey to a new number, and ends, storing nothing, once that is gone.
    void surveyChangedDuringRun_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("secondAnswer"); // edition|question of the second answer's row; none: ended
        QTest::newRow("survey 1 deleted with Borrar") << "program 1" << QStringList { "1|Dos" };
        QTest::newRow("survey 1 deleted by another copy") << "outside 1" << QStringList { "1|Dos" };
        QTest::newRow("survey 2 itself deleted with Borrar") << "program 2" << QStringList {};
        QTest::newRow("survey 2 deleted by another copy, 3 renumbered into its place") << "outside 2" << QStringList {};
    }
    void surveyChangedDuringRun()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, secondAnswer);
        const QStringList questions { QStringLiteral("Uno"), QStringLiteral("Dos") };
        startRun(questions, 2, 2, 2);
        writeSurvey(1, questions, 2, 2, DirIconos);
        writeSurvey(3, questions, 2, 2, DirIconos);
        answerCurrent();
        const int deleted = change.section(' ', 1).toInt();
        if (change.startsWith(QStringLiteral("program"))) {
            deleteSurvey(QString::number(deleted));
        } else {
            for (const QString table : { "variables", "preguntas", "tesis" })
                withTableFile(m_run->data.tablePath(table + QStringLiteral(".DB")), [&](QSqlDatabase& db) {
                    execOn(db, QStringLiteral("DELETE FROM %1 WHERE Edicion = %2").arg(table).arg(deleted));
                    execOn(db,
                        QStringLiteral("UPDATE %1 SET Edicion = Edicion - 1 WHERE Edicion > %2")
                            .arg(table)
                            .arg(deleted));
                });
        }
        answerCurrent(1, true);
        const QString end = secondAnswer.isEmpty()
            ? QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados")
            : QStringLiteral("Fin del cuestionario");
        QCOMPARE(lastModalText(), end);
        const QStringList first = deleted == 1 ? QStringList { "1|Uno" } : QStringList {};
        QCOMPARE(results("Edicion, Pregunta"), first + secondAnswer);
        // A deletion through the program keeps only the pictures rows still show.
        const QString tesis = m_run->data.tablePath(QStringLiteral("tesis.DB"));
        if (change.startsWith(QStringLiteral("program")))
            QCOMPARE(fileRows(tesis, QStringLiteral("tesis_graficos"), QStringLiteral("count(*)")),
                fileRows(tesis, QStringLiteral("tesis"), QStringLiteral("count(DISTINCT Grafico)")));
        QVERIFY(!RunUnderWay);
        QVERIFY(!shownWindow<TForm5>());
    }

    // A file that cannot be written at the click: the respondent is told,
    // nothing is stored, and the same click works once the file is free.
    void fileBlockedThenFree_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("message");
        QTest::newRow("made read-only, then writable") << "read-only"
                                                       << "es de solo lectura";
        QTest::newRow("locked by another program, then released")
            << "lock"
            << "está siendo usada por otro programa; vuelva a intentarlo";
    }
    void fileBlockedThenFree()
    {
        QFETCH(QString, block);
        QFETCH(QString, message);
        startRun({ QStringLiteral("Única") }, 2, 2);
        const QString tesis = m_run->data.tablePath(QStringLiteral("tesis.DB"));
        const auto permissions = QFile::permissions(tesis);
        QSqlDatabase other;
        if (block == QStringLiteral("read-only")) {
            QVERIFY(QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("another-program"));
            other.setDatabaseName(tesis);
            QVERIFY(other.open());
            execOn(other, QStringLiteral("BEGIN IMMEDIATE"));
        }
        shownWindow<TForm4>()->BitBtn1->click();
        TForm5* icons = shownWindow<TForm5>();
        pressOnModal(QStringLiteral("OK"));
        icons->speedButton(1)->click();
        QVERIFY2(lastModalText().contains(message), qPrintable(lastModalText()));
        QVERIFY(icons->isVisible());
        if (other.isOpen()) {
            execOn(other, QStringLiteral("ROLLBACK"));
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("another-program"));
        }
        QFile::setPermissions(tesis, permissions);
        pressOnModal(QStringLiteral("OK"));
        icons->speedButton(1)->click();
        QCOMPARE(lastModalText(), QStringLiteral("Fin del cuestionario"));
        QCOMPARE(results("Rep_icono").size(), 1);
    }

    // Two copies of the program, each with its own connection and open
    // datasets, answering the same keys: in turns, then at the same time.
    void twoCopiesAnswerTheSameKeys()
    {
        writeSurvey(1, { QStringLiteral("Uno") }, 2, 3, QStringLiteral("/iconos"));
        const QString otherCopy = QStringLiteral("another copy");
        const QString directory = m_run->data.directory();
        QImage picture(32, 32, QImage::Format_RGB888);
        picture.fill(Qt::blue);
        auto answer = [&picture](vdb::Table& table, int icon) {
            accumulateAnswer(&table, { 1, QStringLiteral("Uno"), icon }, QStringLiteral("0:0:2:0"), picture, 2);
        };
        auto openTable = [](vdb::Table& table, const QString& databaseName) {
            table.setDatabaseName(databaseName);
            table.setTableName(QStringLiteral("tesis.DB"));
            table.open();
        };
        constexpr int kEach = 30;
        std::atomic<bool> ready = false, go = false, mainDone = false;
        auto waitFor = [](const std::atomic<bool>& flag) {
            for (QDeadlineTimer limit(10000); !flag && !limit.hasExpired();)
                QThread::yieldCurrentThread();
        };
        QString copyError;
        std::thread copy([&] {
            vdb::setDatabaseDirectory(otherCopy, directory);
            vdb::Table table;
            openTable(table, otherCopy);
            ready = true;
            // Its rows were read before the main copy's first answers.
            waitFor(go);
            copyError = errorOf([&] {
                for (int i = 0; i < kEach; ++i)
                    answer(table, i % 3 + 1);
            });
            waitFor(mainDone); // the registry of connections changes only when the other copy is done
            table.close();
            vdb::setDatabaseDirectory(otherCopy, directory); // its connection goes with this thread
        });
        auto joinCopy = qScopeGuard([&] {
            go = mainDone = true;
            copy.join();
        });
        QTRY_VERIFY_WITH_TIMEOUT(ready, 5000);
        vdb::Table table;
        openTable(table, kDatabaseName);
        answer(table, 1);
        answer(table, 1);
        go = true; // then both at the same time
        const QString mainError = errorOf([&] {
            for (int i = 0; i < kEach; ++i)
                answer(table, i % 3 + 1);
        });
        joinCopy.dismiss();
        mainDone = true;
        copy.join();
        QCOMPARE(mainError + copyError, QString());
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"), (QStringList { "1|22|44", "2|20|40", "3|20|40" }));
    }

private:
    TForm4* startRun(const QStringList& questions, int numIconos = 4, int totalIconos = 6, int edicion = 1)
    {
        DirIconos = run_fixture::surveyDirectory(m_run->icons);
        writeSurvey(edicion, questions, numIconos, totalIconos, DirIconos);
        EdicionActual = edicion;
        NumPreguntas = int(questions.size());
        NumIconos = numIconos;
        TotalIconos = totalIconos;
        Memo1.replace(questions);
        SiguientePregunta = 1;
        DataModule6->Table3->open();
        return openFirstNotice(m_anchor.get());
    }
    // Moves on from the shown notice and answers with one of its icons.
    void answerCurrent(int button = 1, bool last = false)
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
    // The result rows as "a|b|..." in the order the file keeps them.
    QStringList results(const QString& columns
        = QStringLiteral("Edicion, Pregunta, Icono, Tiempo, Rep_icono, Suma_tiempo, Promedio")) const
    {
        return fileRows(m_run->data.tablePath(QStringLiteral("tesis.DB")), QStringLiteral("tesis"), columns);
    }

    std::unique_ptr<run_fixture::RunData> m_run;
    std::unique_ptr<QWidget> m_anchor;
    int m_clockMs = 0;
    qint64 m_steadyMs = 0;
};

QTEST_MAIN(TestAnswerRecording)
#include "tst_answer_recording.moc"
