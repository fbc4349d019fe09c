// A survey's run: the icon window, the answer's time and its accumulation in
// the results table at the 16-bit limits, the chain from the first notice to
// the end, and what a run meets when its survey or its file changes under it.

#include "administration/answer_recording.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "authoring/survey_deletion.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QCursor>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QWindow>
#include <QtTest>

#include <atomic>
#include <future>

using namespace testing_support;
using namespace run_fixture;

namespace {

const QString kEnd = QStringLiteral("Fin del cuestionario");
const QString kChanged = QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados");

// Counts the moments a window of the chain hid with none of the chain shown:
// each must be shown before the window that opened it hides.
class GapWatch : public QObject
{
public:
    int gaps = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && (qobject_cast<TForm4*>(watched) || qobject_cast<TForm5*>(watched)))
            gaps += !shownWindow<TForm4>() && !shownWindow<TForm5>();
        return false;
    }
};

} // namespace

class TestSurveyRun : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_run = std::make_unique<RunData>(12);
        m_anchor = std::make_unique<QWidget>();
        m_answerer = std::make_unique<Answerer>();
        m_clockMs = 36000000;
        m_steadyMs = 0;
        // Each reading of the clocks is 1.5 s after the one before.
        run_clock::setNow([this] {
            m_clockMs += 1500;
            m_steadyMs += 1500;
            return run_clock::Reading { QTime::fromMSecsSinceStartOfDay(m_clockMs % 86400000), m_steadyMs };
        });
        run_clock::setUtc([] { return QTime(13, 5, 7, 250); });
        RunUnderWay = false;
    }
    void cleanup()
    {
        MainWindow = nullptr;
        m_anchor.reset();
        releaseHidden();
        run_clock::setNow({});
        m_run.reset();
        const QStringList unexpected = std::exchange(m_answerer->messages, {});
        m_answerer.reset();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));
    }

    // Seeded at 13:05:07.250 UTC: the title, then each shown button's icon and place.
    void iconWindow_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("next"); // SiguientePregunta as the notice leaves it
        QTest::addColumn<QString>("shown");
        QTest::newRow("2 of 12") << 2 << 12 << 2 << "1. Primera|8@380,154|10@131,154";
        // The third draw repeats 8 and is drawn again; 0.01745 a degree, not pi/180.
        QTest::newRow("4 of 12") << 4 << 12 << 4 << "3. Tercera|8@380,154|10@256,279|5@131,154|7@255,29";
        QTest::newRow("12 of 12, beyond the last question")
            << 12 << 12 << 13
            << "12. |8@380,154|10@364,216|5@318,262|7@256,279|6@193,262|2@147,217|11@131,154|1@147,92|3@193,46|"
               "4@255,29|12@318,46|9@364,91";
        QTest::newRow("12 of 3: repeats")
            << 12 << 3 << 2
            << "1. Primera|2@380,154|3@364,216|2@318,262|2@256,279|2@193,262|2@147,217|2@131,154|1@147,92|"
               "2@193,46|1@255,29|2@318,46|3@364,91";
        QTest::newRow("no pictures: icon 1") << 4 << 0 << 2 << "1. Primera|1@380,154|1@256,279|1@131,154|1@255,29";
    }
    void iconWindow()
    {
        QFETCH(int, count);
        QFETCH(int, total);
        QWidget main;
        main.setGeometry(100, 80, 600, 401);
        main.show();
        MainWindow = &main;
        setRun(count, total);
        QFETCH(int, next);
        SiguientePregunta = next;
        TForm5 window;
        QStringList shown { window.windowTitle() };
        for (int k = 1; k <= 12; ++k)
            if (const QWidget* b = window.speedButton(k); b->isVisibleTo(&window))
                shown << QStringLiteral("%1@%2,%3").arg(window.shownIcon(k)).arg(b->x()).arg(b->y());
        QTEST(shown.join(QLatin1Char('|')), "shown");
        QCOMPARE(window.picture(1), QImage(QStringLiteral("%1/%2.bmp").arg(m_run->icons).arg(window.shownIcon(1))));
        QCOMPARE(QCursor::pos(), QPoint(400, 280)); // the main window's centre
    }

    void picturesOnTheButtons_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio"); // device pixels per pixel
        QTest::addColumn<QRect>("drawn");
        QTest::newRow("own size") << QSize(32, 32) << 1.0 << QRect(0, 0, 32, 32);
        QTest::newRow("small, centred") << QSize(16, 16) << 1.0 << QRect(8, 8, 16, 16);
        QTest::newRow("dense screen") << QSize(32, 32) << 2.0 << QRect(0, 0, 32, 32);
        QTest::newRow("larger, proportions kept") << QSize(120, 60) << 1.0 << QRect(0, 8, 33, 16);
    }
    void picturesOnTheButtons()
    {
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);
        QFETCH(QRect, drawn);
        // A checkerboard: any smoothing or resampling mixes its colours.
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, (x + y) % 2 ? 0xff0000 : 0x0000ff);
        for (const char* name : { "/1.bmp", "/2.bmp" })
            QVERIFY(picture.save(m_run->icons + QLatin1String(name)));
        setRun(2, 2);
        TForm5 window;
        QImage shot(QSize(33, 33) * ratio, QImage::Format_RGB32);
        shot.setDevicePixelRatio(ratio);
        shot.fill(Qt::white);
        window.speedButton(1)->render(&shot);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QPoint at(int(x / ratio), int(y / ratio));
                const QColor got = shot.pixelColor(x, y);
                const bool right = !drawn.contains(at) ? got.saturation() < 60
                    : drawn.size() == size             ? got.rgb() == picture.pixel(at - drawn.topLeft())
                                                       : got.saturation() > 150;
                QVERIFY2(right, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
    }

    // A picture that cannot be read: named as the survey gives it; the
    // buttons up to its own show, the later ones stay hidden.
    void badIconFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        auto encoded = [](const char* format) {
            QImage picture(32, 32, QImage::Format_RGB888);
            picture.fill(Qt::red);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            picture.save(&buffer, format);
            return bytes;
        };
        const QString invalid = QStringLiteral("Bitmap image is not valid");
        QTest::newRow("missing") << QByteArray() << "Cannot open file %1\\3.bmp";
        QTest::newRow("truncated") << encoded("BMP").left(60) << invalid;
        QTest::newRow("BM and little else") << QByteArray("BM and little else") << invalid;
        QTest::newRow("png named bmp") << encoded("PNG") << invalid;
    }
    void badIconFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString file = m_run->icons + QStringLiteral("/3.bmp");
        QFile f(file);
        QVERIFY(content.isEmpty() ? f.remove() : f.open(QIODevice::WriteOnly) && f.write(content));
        f.close();
        // With as many pictures as buttons every icon is shown.
        setRun(4, 4);
        std::unique_ptr<TForm5> window;
        QCOMPARE(m_answerer->messageOf([&window] { window = std::make_unique<TForm5>(); }),
            message.contains(QLatin1String("%1")) ? message.arg(DirIconos) : message);
        int failed = 1;
        while (window->shownIcon(failed) != 3 && failed < 4)
            ++failed;
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(window->speedButton(k)->isVisibleTo(window.get()), k <= failed);
        QVERIFY(window->shownIcon(failed) == 3 && window->picture(failed).isNull());
    }

    void timeTexts_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("end");
        QTest::addColumn<qint64>("steady"); // the steady clock's count from start to end
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("1 h 2 min 3.4 s") << QTime(9, 0) << QTime(10, 2, 3, 400) << 3723400ll << "1:2:3:400" << 3723;
        QTest::newRow("across midnight") << QTime(23, 59, 58, 500) << QTime(0, 0, 1, 250) << 2750ll << "0:0:2:750" << 2;
        QTest::newRow("longest") << QTime(0, 0) << QTime(23, 59, 59, 999) << 86399999ll << "23:59:59:999" << 86399;
        QTest::newRow("over a day") << QTime(9, 0) << QTime(9, 0, 1) << 86401000ll << "0:0:1:0" << 1;
        // The local clock holds while the two differ by less than a second.
        QTest::newRow("steady 999 ms more") << QTime(9, 0) << QTime(9, 0, 3, 45) << 4044ll << "0:0:3:45" << 3;
        QTest::newRow("steady 1 s more") << QTime(9, 0) << QTime(9, 0, 3, 45) << 4045ll << "0:0:4:45" << 4;
    }
    void timeTexts()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, end);
        QFETCH(qint64, steady);
        const AnswerTime t = answerTime(msSinceMidnight(start), msSinceMidnight(end), steady);
        QTEST(t.text, "text");
        QTEST(t.wholeSeconds, "seconds");
    }

    void accumulation()
    {
        vdb::Table* t3 = DataModule6->Table3;
        t3->open();
        const QImage first(m_run->icons + QStringLiteral("/7.bmp")), other(m_run->icons + QStringLiteral("/3.bmp"));
        const ResultKey key { 2, QStringLiteral("Color"), 7 };
        QList<bool> found { accumulateAnswer(t3, key, QStringLiteral("0:0:3:250"), first, 3),
            accumulateAnswer(t3, key, QStringLiteral("0:0:5:900"), other, 5),
            accumulateAnswer(t3, key, QStringLiteral("0:0:0:999"), other, 0) };
        // Another text, edition or icon is another row.
        for (const ResultKey& k :
            { ResultKey { 2, "color", 7 }, ResultKey { 1, "Color", 7 }, ResultKey { 2, "Color", 11 } })
            found << accumulateAnswer(t3, k, QStringLiteral("0:0:1:0"), other, 1);
        QCOMPARE(found, (QList<bool> { false, true, true, false, false, false }));
        // The first answer's time and picture; 8 div 3, truncated.
        QCOMPARE(results().first(), QStringLiteral("2|Color|7|0:0:3:250|3|8|2"));
        t3->first();
        QCOMPARE(t3->fieldByName(QStringLiteral("Grafico")).asImage().pixelColor(0, 0), first.pixelColor(0, 0));
        // Rows another program wrote that read as the key all count: a text
        // stored as bytes, a number with trailing letters, a second copy.
        withTableFile(m_run->data.tablePath(QStringLiteral("tesis.DB")), [](QSqlDatabase& db) {
            execOn(db,
                QStringLiteral("INSERT INTO tesis (Edicion, Pregunta, Icono, Suma_tiempo, Rep_icono) VALUES "
                               "(2, X'436F6C6F72', '7x', 0, 1), ('2', 'Color', 7.0, 0, 1)"));
        });
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:1:0"), other, 1));
        QCOMPARE(results("Rep_icono"), (QStringList { "4", "1", "1", "1", "2", "2" }));
    }

    // The 16-bit count and sum at the limit and one over; a refused answer keeps nothing.
    void counterLimits_data()
    {
        QTest::addColumn<int>("count"); // the row's before the answer, 0: no row
        QTest::addColumn<int>("average");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("after"); // Rep_icono|Suma_tiempo|Promedio, or the refusal
        const QString over
            = QStringLiteral("32768 is not a valid value for field '%1'. The allowed range is -32768 to 32767");
        QTest::newRow("first answer of 32767 s") << 0 << 0 << 32767 << "1|32767|32767";
        QTest::newRow("first answer of 32768 s") << 0 << 0 << 32768 << over.arg("Suma_tiempo");
        QTest::newRow("sum to 32767") << 1 << 32766 << 1 << "2|32767|16383";
        QTest::newRow("sum to 32768") << 1 << 32766 << 2 << over.arg("Suma_tiempo");
        QTest::newRow("count to 32767") << 32766 << 0 << 0 << "32767|0|0";
        QTest::newRow("count to 32768") << 32767 << 0 << 0 << over.arg("Rep_icono");
    }
    void counterLimits()
    {
        QFETCH(int, count);
        QFETCH(int, average);
        QFETCH(int, seconds);
        DataModule6->Table3->open();
        if (count)
            writeResult(1, QStringLiteral("a"), 1, count, average);
        const QString columns = QStringLiteral("Rep_icono, Suma_tiempo, Promedio");
        const QStringList before = results(columns);
        const QString error = errorOf([&] {
            accumulateAnswer(DataModule6->Table3, { 1, "a", 1 }, {}, QImage(), seconds);
        });
        QTEST(error.isEmpty() ? results(columns).join(QLatin1Char(' ')) : error, "after");
        if (!error.isEmpty())
            QCOMPARE(results(columns), before);
    }

    void chain_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("step"); // the local clock set during the first answer
        QTest::newRow("fifty questions, the most") << 50 << 0;
        QTest::newRow("clock set back 1 s") << 3 << -1000;
        QTest::newRow("clock forward 1 h") << 3 << 3600000;
    }
    void chain()
    {
        QFETCH(int, count);
        QFETCH(int, step);
        QStringList questions, expected;
        for (int q = 1; q <= count; ++q) {
            questions << QStringLiteral("Pregunta número %1").arg(q);
            // Each answer comes 1.5 s after its window's start reading, on the steady clock.
            expected << QStringLiteral("1|%1|0:0:1:500|1|1").arg(questions.last());
        }
        GapWatch watch;
        qApp->installEventFilter(&watch);
        startRun(questions);
        QVERIFY(RunUnderWay);
        for (int q = 1; q <= count; ++q) {
            TForm4* notice = shownWindow<TForm4>();
            QVERIFY2(notice, qPrintable(QStringLiteral("notice %1").arg(q)));
            QCOMPARE(notice->Label1->text(), questions[q - 1]);
            QVERIFY(!notice->isModal());
            notice->BitBtn1->click();
            TForm5* icons = shownWindow<TForm5>();
            QVERIFY2(icons, qPrintable(QStringLiteral("icon window %1").arg(q)));
            QCOMPARE(icons->windowTitle(), QStringLiteral("%1. %2").arg(q).arg(questions[q - 1]));
            QCOMPARE(SiguientePregunta, q + 1);
            m_clockMs += q == 1 ? step : 0;
            if (q == count)
                QCOMPARE(clickAnswered(icons, 2), kEnd);
            else
                icons->speedButton(2)->click();
            // The windows done with are hidden and released: only the next notice lives on.
            releaseHidden();
            QCOMPARE(int(liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), q == count ? 0 : 1);
        }
        qApp->removeEventFilter(&watch);
        QCOMPARE(watch.gaps, 1); // the end
        QVERIFY(!DataModule6->Table3->active());
        QVERIFY(!RunUnderWay);
        QCOMPARE(TiemposPregunta[count], QStringLiteral("0:0:1:500"));
        QCOMPARE(results("Edicion, Pregunta, Tiempo, Rep_icono, Suma_tiempo"), expected);
    }

    // Survey 2 of four alike, changed while it runs: it goes on with what it
    // was handed, follows its survey to a new number, and ends once any
    // setting of it changed.
    void surveyChangedDuringRun_data()
    {
        QTest::addColumn<QStringList>("change"); // statements on the files, or "Borrar n"
        QTest::addColumn<QStringList>("stored"); // edition|question of every row; two: the run went on
        auto outsideDeletion = [](int n) {
            QStringList sql;
            for (const char* table : { "variables", "preguntas", "tesis" })
                sql << QStringLiteral("DELETE FROM %1 WHERE Edicion = %2").arg(table).arg(n)
                    << QStringLiteral("UPDATE %1 SET Edicion = Edicion - 1 WHERE Edicion > %2").arg(table).arg(n);
            return sql;
        };
        const QString set = QStringLiteral("UPDATE variables SET %1 WHERE Edicion = 2");
        const QStringList ended { "2|Uno" };
        QTest::newRow("a question's text")
            << QStringList { "UPDATE preguntas SET Preguntas = 'Dos, corregida' WHERE Preguntas = 'Dos'" }
            << QStringList { "2|Uno", "2|Dos" };
        QTest::newRow("its icon folder") << QStringList { set.arg("Direccion = 'C:\\otros'") } << ended;
        QTest::newRow("its icon count") << QStringList { set.arg("Num_ico = 3") } << ended;
        QTest::newRow("its icon total") << QStringList { set.arg("Total_ico = 3") } << ended;
        QTest::newRow("its question count") << QStringList { set.arg("Num = 3") } << ended;
        QTest::newRow("a question row added")
            << QStringList { "INSERT INTO preguntas (Edicion, Preguntas) VALUES (2, 'Tres')" } << ended;
        QTest::newRow("survey 1 deleted with Borrar") << QStringList { "Borrar 1" } << QStringList { "1|Uno", "1|Dos" };
        QTest::newRow("survey 1 deleted by another copy") << outsideDeletion(1) << QStringList { "1|Uno", "1|Dos" };
        QTest::newRow("itself deleted with Borrar") << QStringList { "Borrar 2" } << QStringList {};
        QTest::newRow("itself deleted by another copy, 3 renumbered into its place")
            << outsideDeletion(2) << QStringList {};
    }
    void surveyChangedDuringRun()
    {
        QFETCH(QStringList, change);
        QFETCH(QStringList, stored);
        const QStringList questions { QStringLiteral("Uno"), QStringLiteral("Dos") };
        startRun(questions, 2, 2, 2);
        for (int edicion : { 1, 3, 4 })
            writeSurvey(edicion, questions, 2, 2, surveyDirectory(m_run->icons));
        QVERIFY(shownWindow<TForm4>());
        shownWindow<TForm4>()->BitBtn1->click();
        QVERIFY(shownWindow<TForm5>());
        shownWindow<TForm5>()->speedButton(1)->click();
        // What other commands of the main window leave behind meanwhile.
        EdicionActual = 3;
        Memo1.replace({ QStringLiteral("X"), QStringLiteral("Y") });
        NumIconos = 12;
        NumPreguntas = 9;
        DirIconos = QStringLiteral("C:\\nada");
        DataModule6->Table3->close();
        for (const QString& statement : change) {
            if (statement.startsWith(QStringLiteral("Borrar ")))
                deleteSurvey(statement.section(QLatin1Char(' '), 1));
            else
                withTableFile(
                    m_run->data.tablePath(
                        QRegularExpression(QStringLiteral("(UPDATE|FROM|INTO) (\\w+)")).match(statement).captured(2)
                        + QStringLiteral(".DB")),
                    [&](QSqlDatabase& db) { execOn(db, statement); });
        }
        TForm4* notice = shownWindow<TForm4>();
        QVERIFY(notice);
        QCOMPARE(notice->Label1->text(), QStringLiteral("Dos"));
        notice->BitBtn1->click();
        TForm5* icons = shownWindow<TForm5>();
        QVERIFY(icons);
        QCOMPARE(icons->windowTitle(), QStringLiteral("2. Dos"));
        QVERIFY(icons->speedButton(2)->isVisibleTo(icons) && !icons->speedButton(3)->isVisibleTo(icons));
        QCOMPARE(clickAnswered(icons, 2), stored.size() == 2 ? kEnd : kChanged);
        QCOMPARE(results("Edicion, Pregunta"), stored);
        // A deletion through the program keeps only the pictures rows still show.
        const QString tesis = m_run->data.tablePath(QStringLiteral("tesis.DB"));
        if (change.first().startsWith(QStringLiteral("Borrar")))
            QCOMPARE(fileRows(tesis, QStringLiteral("tesis_graficos"), QStringLiteral("count(*)")),
                fileRows(tesis, QStringLiteral("tesis"), QStringLiteral("count(DISTINCT Grafico)")));
        QVERIFY(!RunUnderWay);
        QVERIFY(!shownWindow<TForm4>() && !shownWindow<TForm5>());
    }

    // A click refused: the respondent is told, nothing is stored, and the
    // run stays at that click, which works once the cause is gone.
    void refusedClickRepeated_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("message");
        QTest::newRow("made read-only, then writable") << "read-only"
                                                       << "es de solo lectura";
        QTest::newRow("locked by another program, then released")
            << "lock"
            << "está siendo usada por otro programa; vuelva a intentarlo";
    }
    void refusedClickRepeated()
    {
        QFETCH(QString, block);
        QFETCH(QString, message);
        startRun({ QStringLiteral("Única") }, 2, 2);
        // No way out of a run but its answers: the window system's close is refused.
        auto refusesClose = [](QWidget* w) {
            QCloseEvent close;
            QCoreApplication::sendEvent(w->windowHandle(), &close);
            return w->isVisible();
        };
        TForm4* notice = shownWindow<TForm4>();
        QVERIFY(notice && refusesClose(notice));
        notice->BitBtn1->click();
        TForm5* icons = shownWindow<TForm5>();
        QVERIFY(icons && refusesClose(icons));
        const QString tesis = m_run->data.tablePath(QStringLiteral("tesis.DB"));
        const auto permissions = QFile::permissions(tesis);
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("another-program"));
        other.setDatabaseName(tesis);
        if (block == QStringLiteral("read-only")) {
            QVERIFY(QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            QVERIFY(other.open());
            execOn(other, QStringLiteral("BEGIN IMMEDIATE"));
        }
        const QString refused = clickAnswered(icons, 1);
        QVERIFY2(refused.contains(message), qPrintable(refused));
        QVERIFY(icons->isVisible());
        QCOMPARE(SiguientePregunta, 2);
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        other.close(); // its transaction goes with it
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("another-program"));
        QFile::setPermissions(tesis, permissions);
        QCOMPARE(clickAnswered(icons, 1), kEnd);
        // The second click is the start's second clock reading after it: 3 s.
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"),
            QStringList { QStringLiteral("%1|1|3").arg(icons->shownIcon(1)) });
    }

    // Two copies of the program, each with its own connection and open
    // datasets, answering the same keys: in turns, then at the same time.
    void twoCopiesAnswerTheSameKeys()
    {
        const QString otherCopy = QStringLiteral("another copy"), directory = m_run->data.directory();
        const QImage picture(m_run->icons + QStringLiteral("/1.bmp"));
        auto answer = [&picture](vdb::Table& table, int times) {
            return errorOf([&] {
                for (int i = 0; i < times; ++i)
                    accumulateAnswer(&table, { 1, QStringLiteral("Uno"), i % 3 + 1 }, {}, picture, 2);
            });
        };
        auto open = [](vdb::Table& table, const QString& databaseName) {
            table.setDatabaseName(databaseName);
            table.setTableName(QStringLiteral("tesis.DB"));
            table.open();
        };
        std::atomic<bool> ready = false, go = false, mainDone = false;
        auto waitFor = [](const std::atomic<bool>& flag) {
            for (QDeadlineTimer limit(10000); !flag; QThread::yieldCurrentThread())
                if (limit.hasExpired())
                    return false;
            return true;
        };
        // The other copy reads its rows before the main copy's first answers, and
        // lets its connection go only once the main copy is done with the registry.
        auto copy = std::async(std::launch::async, [&] {
            vdb::setDatabaseDirectory(otherCopy, directory);
            vdb::Table table;
            open(table, otherCopy);
            ready = true;
            QString error = waitFor(go) ? answer(table, 30) : QStringLiteral("never told to go");
            error += waitFor(mainDone) ? QString() : QStringLiteral("never told the main copy was done");
            table.close();
            vdb::setDatabaseDirectory(otherCopy, directory); // its connection goes with this thread
            return error;
        });
        auto finish = qScopeGuard([&] {
            go = mainDone = true;
            // Past every limit the wait for it would hang: stop, naming it.
            if (copy.valid() && copy.wait_for(std::chrono::seconds(30)) != std::future_status::ready)
                qFatal("the other copy did not finish its answers in 30 s");
        });
        QVERIFY2(waitFor(ready), "the other copy did not open its table");
        vdb::Table table;
        open(table, kDatabaseName);
        QCOMPARE(answer(table, 2), QString()); // in turns: icons 1 and 2 before the other copy
        go = true;
        QCOMPARE(answer(table, 30), QString());
        mainDone = true;
        QVERIFY2(copy.wait_for(std::chrono::seconds(30)) == std::future_status::ready,
            "the other copy did not finish its answers in 30 s");
        QCOMPARE(copy.get(), QString());
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"), (QStringList { "1|21|42", "2|21|42", "3|20|40" }));
    }

private:
    // The run state as the hand-over leaves it.
    void setRun(int numIconos, int totalIconos,
        const QStringList& questions
        = { QStringLiteral("Primera"), QStringLiteral("Segunda"), QStringLiteral("Tercera") },
        int edicion = 1)
    {
        EdicionActual = edicion;
        NumPreguntas = int(questions.size());
        NumIconos = numIconos;
        TotalIconos = totalIconos;
        DirIconos = surveyDirectory(m_run->icons);
        Memo1.replace(questions);
        SiguientePregunta = 1;
    }
    void startRun(const QStringList& questions, int numIconos = 4, int totalIconos = 6, int edicion = 1)
    {
        setRun(numIconos, totalIconos, questions, edicion);
        writeSurvey(edicion, questions, numIconos, totalIconos, DirIconos);
        DataModule6->Table3->open();
        openFirstNotice(m_anchor.get());
    }
    // Clicks an icon whose click shows a message; its text.
    QString clickAnswered(TForm5* icons, int button)
    {
        return icons ? m_answerer->messageOf([&] { icons->speedButton(button)->click(); })
                     : QStringLiteral("no icon window");
    }
    // The result rows as "a|b|..." in the order the file keeps them.
    QStringList results(const QString& columns
        = QStringLiteral("Edicion, Pregunta, Icono, Tiempo, Rep_icono, Suma_tiempo, Promedio")) const
    {
        return fileRows(m_run->data.tablePath(QStringLiteral("tesis.DB")), QStringLiteral("tesis"), columns);
    }

    std::unique_ptr<RunData> m_run;
    std::unique_ptr<QWidget> m_anchor;
    std::unique_ptr<Answerer> m_answerer;
    int m_clockMs = 0;
    qint64 m_steadyMs = 0;
};

QTEST_MAIN(TestSurveyRun)
#include "tst_survey_run.moc"
