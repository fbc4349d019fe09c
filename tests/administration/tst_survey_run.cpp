// A survey's run: icon window, answer times and sums, the chain, and changes under it.

#include "administration/answer_recording.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "authoring/survey_deletion.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "tests/administration/run_fixture.h"

#include <QWindow>
#include <QtTest>

#include <atomic>
#include <future>

using namespace testing_support;
using namespace run_fixture;

namespace {

// What the icon window is given and shows: SiguientePregunta as the notice leaves it, what stands as 10.bmp, and
// checkerboards of `size` for pictures 1 and 2, drawn at `drawn` by a screen of `ratio` device pixels per pixel.
struct IconCase
{
    int count, total, next;
    QString bad, shown;
    QSize size;
    qreal ratio;
    QRect drawn;
};
// Statements of another program ("Borrar n", "read-only") after the first answer, edition|question|time|seconds of
// every row after the run (all: the run went on), questions, the local clock set during the first answer, a refusal.
struct RunCase
{
    QStringList change, stored;
    int count, step;
    QString refusal;
};

const QString kEnd = QStringLiteral("Fin del cuestionario");
const QString kChanged = QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados");

} // namespace

class TestSurveyRun : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<ModuleData>();
        m_icons = m_data->path(QStringLiteral("iconos"));
        writeIcons(m_icons, 12);
        m_anchor = std::make_unique<QWidget>();
        m_anchor->setGeometry(100, 80, 601, 401);
        m_anchor->show();
        MainWindow = m_anchor.get();
        m_answerer = std::make_unique<Answerer>();
        m_steadyMs = m_shiftMs = 0;
        // Each reading of the clocks is 1.5 s after the one before; the local clock starts at 10:00, set by m_shiftMs.
        run_clock::setNow([this] {
            m_steadyMs += 1500;
            return run_clock::Reading { QTime(10, 0).addMSecs(int(m_steadyMs) + m_shiftMs), m_steadyMs };
        });
        run_clock::setUtc([] { return QTime(13, 5, 7, 250); });
        RunUnderWay = false;
    }
    void cleanup()
    {
        MainWindow = nullptr;
        m_anchor.reset();
        releaseHidden();
        m_data.reset();
        QCOMPARE(std::exchange(m_answerer, {})->take(), QString()); // nothing shown that a test did not expect
    }

    // Seeded at 13:05:07.250 UTC: title, each shown icon and place; an unreadable picture is named. Pictures 1 and 2
    // made checkerboards of a size, where any smoothing or resampling mixes the colours: button 1 as drawn.
    void iconWindow_data()
    {
        QTest::addColumn<IconCase>("c");
        auto row = [](const char* name, int count, int total, int next, const QString& shown, const QString& bad = {},
                       QSize size = {}, qreal ratio = 1, QRect drawn = {}) {
            QTest::newRow(name) << IconCase { count, total, next, bad, shown, size, ratio, drawn };
        };
        row("2 of 12", 2, 12, 2, "1. Primera|8@380,154|10@131,154");
        // The third draw repeats 8 and is drawn again; 0.01745 a degree, not pi/180.
        row("4 of 12", 4, 12, 4, "3. Tercera|8@380,154|10@256,279|5@131,154|7@255,29");
        row("12 of 12, beyond the last question", 12, 12, 13,
            "12. |8@380,154|10@364,216|5@318,262|7@256,279|6@193,262|2@147,217|11@131,154|1@147,92|3@193,46|4@255,29|"
            "12@318,46|9@364,91");
        row("12 of 3: repeats", 12, 3, 2,
            "1. Primera|2@380,154|3@364,216|2@318,262|2@256,279|2@193,262|2@147,217|2@131,154|1@147,92|2@193,46|"
            "1@255,29|2@318,46|3@364,91");
        row("no pictures: icon 1", 4, 0, 2, "1. Primera|1@380,154|1@256,279|1@131,154|1@255,29");
        for (const QString bad : { "missing", "truncated", "BM and little else", "a png" })
            row(qPrintable("10.bmp " + bad), 4, 12, 2, "1. Primera|8@380,154|10@256,279 unread", bad);
        const QString two = QStringLiteral("1. Primera|2@380,154|1@131,154");
        row("small, centred", 2, 2, 2, two, {}, QSize(16, 16), 1, QRect(8, 8, 16, 16));
        row("dense screen", 2, 2, 2, two, {}, QSize(32, 32), 2, QRect(0, 0, 32, 32));
        row("larger, proportions kept", 2, 2, 2, two, {}, QSize(120, 60), 1, QRect(0, 8, 33, 16));
    }
    void iconWindow()
    {
        QFETCH(IconCase, c);
        const auto [count, total, next, bad, expected, size, ratio, drawn] = c;
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, (x + y) % 2 ? 0xff0000 : 0x0000ff);
        for (const char* name : { "/1.bmp", "/2.bmp" })
            QVERIFY(picture.isNull() || picture.save(m_icons + QLatin1String(name)));
        setRun(count, total);
        SiguientePregunta = next;
        // A window of an earlier question, every picture read, made again below: as a new one would be.
        const auto window = std::make_unique<TForm5>();
        TForm4 notice(window.get());
        QFile file(m_icons + QStringLiteral("/10.bmp"));
        if (bad == "truncated" || bad == "a png")
            QVERIFY(bad == "a png" ? QImage(file.fileName()).save(file.fileName(), "PNG") : file.resize(60));
        else if (!bad.isEmpty())
            QVERIFY(
                file.remove() && (bad == "missing" || (file.open(QIODevice::WriteOnly) && file.write(bad.toUtf8()))));
        file.close();
        const QString message = bad.isEmpty() ? QString()
            : bad == "missing"                ? QStringLiteral("Cannot open file %1\\10.bmp").arg(DirIconos)
                                              : QStringLiteral("Bitmap image is not valid");
        window->run()->spareIconWindow = window.get();
        QCOMPARE(TForm5::open(&notice), window.get());
        QCOMPARE(m_answerer->take(), message);
        QStringList shown { window->windowTitle() };
        for (int k = 1; k <= 12; ++k)
            if (const QWidget* b = window->speedButton(k); b->isVisibleTo(window.get()))
                shown << QString::asprintf(
                    "%d@%d,%d%s", window->shownIcon(k), b->x(), b->y(), window->picture(k).isNull() ? " unread" : "");
        QCOMPARE(shown.join(QLatin1Char('|')), expected);
        QCOMPARE(window->picture(1), QImage(QStringLiteral("%1/%2.bmp").arg(m_icons).arg(window->shownIcon(1))));
        QCOMPARE(QCursor::pos(), QPoint(400, 280)); // the main window's centre, halves rounded down
        QImage shot(QSize(33, 33) * ratio, QImage::Format_RGB32);
        shot.setDevicePixelRatio(ratio);
        shot.fill(Qt::white);
        window->speedButton(1)->render(&shot);
        for (int y = 0; !picture.isNull() && y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QPoint at(int(x / ratio), int(y / ratio));
                const QColor got = shot.pixelColor(x, y);
                const bool right = !drawn.contains(at) ? got.saturation() < 60
                    : drawn.size() == size             ? got.rgb() == picture.pixel(at - drawn.topLeft())
                                                       : got.saturation() > 150;
                QVERIFY2(right, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
    }

    // Local clock readings, unless the steady count differs from them by 1 s or more; equal readings are no time.
    void timeTexts()
    {
        const std::tuple<QTime, QTime, qint64> cases[] = { { QTime(9, 0), QTime(10, 2, 3, 400), 3723400 },
            { QTime(23, 59, 58, 500), QTime(0, 0, 1, 250), 2750 }, { QTime(0, 0), QTime(23, 59, 59, 999), 86399999 },
            { QTime(9, 0), QTime(9, 0, 1), 86401000 }, { QTime(9, 0), QTime(9, 0, 3, 45), 4044 },
            { QTime(9, 0), QTime(9, 0, 3, 45), 4045 }, { QTime(9, 0), QTime(9, 0), 999 } };
        QStringList got;
        for (const auto& [start, end, steady] : cases) {
            const AnswerTime t = answerTime(msSinceMidnight(start), msSinceMidnight(end), steady);
            got << QStringLiteral("%1 %2").arg(t.text).arg(t.wholeSeconds);
        }
        QCOMPARE(got,
            (QStringList { "1:2:3:400 3723", "0:0:2:750 2", "23:59:59:999 86399", "0:0:1:0 1", "0:0:3:45 3",
                "0:0:4:45 4", "0:0:0:0 0" }));
    }

    // An answer on key 2|Color|7 at 0:0:9:0 over rows another program wrote after the table was read: the rows after,
    // or the refusal and the rows as they were.
    void accumulation_data()
    {
        QTest::addColumn<QString>("before"); // rows Edicion, Pregunta, Icono, Rep_icono, Suma_tiempo
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("after"); // Edicion|Pregunta|Icono|Tiempo|Rep_icono|Suma_tiempo|Promedio|picture
        const QString over = "32768 is not a valid value for field '%1'. The allowed range is -32768 to 32767";
        QTest::newRow("first answer of 32767 s") << "" << 32767 << "2|Color|7|0:0:9:0|1|32767|32767|1";
        QTest::newRow("first answer of 32768 s") << "" << 32768 << over.arg("Suma_tiempo");
        // The first answer's time and picture (none here) stay; the average is truncated.
        QTest::newRow("sum to 32767") << "(2, 'Color', 7, 1, 32766)" << 1 << "2|Color|7||2|32767|16383|0";
        QTest::newRow("sum to 32768") << "(2, 'Color', 7, 1, 32766)" << 2
                                      << over.arg("Suma_tiempo") + " 2|Color|7||1|32766||0";
        QTest::newRow("count to 32767") << "(2, 'Color', 7, 32766, 8)" << 0 << "2|Color|7||32767|8|0|0";
        QTest::newRow("count to 32768") << "(2, 'Color', 7, 32767, 8)" << 0
                                        << over.arg("Rep_icono") + " 2|Color|7||32767|8||0";
        QTest::newRow("another text, edition or icon is another row")
            << "(2, 'color', 7, 1, 1), (1, 'Color', 7, 1, 1), (2, 'Color', 11, 1, 1)" << 9
            << "2|color|7||1|1||0 1|Color|7||1|1||0 2|Color|11||1|1||0 "
               "2|Color|7|0:0:9:0|1|9|9|1";
        // Written by another program: a text stored as bytes, a number with trailing letters.
        QTest::newRow("every row reading as the key counts")
            << "(2, X'436F6C6F72', '7x', 1, 1), ('2', 'Color', 7.0, 1, 1)" << 9
            << "2|Color|7x||2|10|5|0 2|Color|7||2|10|5|0";
    }
    void accumulation()
    {
        QFETCH(QString, before);
        QFETCH(int, seconds);
        DataModule6->Table3->open();
        if (!before.isEmpty())
            withTableFile(m_data->tablePath(QStringLiteral("tesis.DB")), [&before](QSqlDatabase& db) {
                execOn(db, "INSERT INTO tesis (Edicion, Pregunta, Icono, Rep_icono, Suma_tiempo) VALUES " + before);
            });
        const QString columns = "Edicion, Pregunta, Icono, Tiempo, Rep_icono, Suma_tiempo, Promedio, Grafico NOTNULL";
        const QString error = errorOf([&] {
            accumulateAnswer(DataModule6->Table3, { 2, QStringLiteral("Color"), 7 }, QStringLiteral("0:0:9:0"),
                QImage(m_icons + QStringLiteral("/7.bmp")), seconds);
        });
        QTEST((error + ' ' + results(columns).join(QLatin1Char(' '))).trimmed(), "after");
    }

    // Survey 2 of four run to its end, icon 2 answered each time. After the first answer the local clock may be set,
    // the run state is left as other commands leave it, and the files may change: the run goes on, follows a
    // renumbering, or ends; a refused click is made again.
    void run_data()
    {
        QTest::addColumn<RunCase>("c");
        auto row = [](const char* name, const QStringList& change, const QStringList& stored, int count = 2,
                       int step = 0, const QString& refusal = {}) {
            QTest::newRow(name) << RunCase { change, stored, count, step, refusal };
        };
        // Each answer comes 1.5 s after its window's start reading, on the steady clock.
        auto answered = [](int n, int survey = 2, const QString& last = QStringLiteral("0:0:1:500|1")) {
            QStringList rows;
            for (int q = 1; q <= n; ++q)
                rows << QStringLiteral("%1|Pregunta número %2|").arg(survey).arg(q) + (q == n ? last : "0:0:1:500|1");
            return rows;
        };
        auto outsideDeletion = [](int n) {
            QStringList sql;
            for (const char* table : { "variables", "preguntas", "tesis" })
                sql << QStringLiteral("DELETE FROM %1 WHERE Edicion = %2").arg(table).arg(n)
                    << QStringLiteral("UPDATE %1 SET Edicion = Edicion - 1 WHERE Edicion > %2").arg(table).arg(n);
            return sql;
        };
        const QString set = QStringLiteral("UPDATE variables SET %1 WHERE Edicion = 2");
        row("fifty questions, the most", {}, answered(50), 50);
        row("clock set back 1 s", {}, answered(3), 3, -1000);
        row("clock forward 1 h", {}, answered(3), 3, 3600000);
        row("a question's text", { "UPDATE preguntas SET Preguntas = 'corregida' WHERE Preguntas LIKE '% 2'" },
            answered(2));
        row("its icon folder", { set.arg("Direccion = 'C:\\otros'") }, answered(1));
        row("its icon count", { set.arg("Num_ico = 3") }, answered(1));
        row("its icon total", { set.arg("Total_ico = 3") }, answered(1));
        row("its question count", { set.arg("Num = 3") }, answered(1));
        row("a question row added", { "INSERT INTO preguntas (Edicion, Preguntas) VALUES (2, 'Tres')" }, answered(1));
        row("survey 1 deleted with Borrar", { "Borrar 1" }, answered(2, 1));
        row("survey 1 deleted by another copy", outsideDeletion(1), answered(2, 1));
        row("itself deleted with Borrar", { "Borrar 2" }, {});
        row("itself deleted by another copy, 3 renumbered into its place", outsideDeletion(2), {});
        row("itself deleted with Borrar, a survey of its shape stored in its place",
            { "Borrar 2",
                "INSERT INTO variables (rowid, Edicion, Num, Num_ico, Total_ico, Direccion) "
                "SELECT 1, 4, 2, 2, 2, Direccion FROM variables LIMIT 1",
                "INSERT INTO preguntas (Edicion, Preguntas) VALUES (4, 'a'), (4, 'b')" },
            {});
        // The second click is the window's second clock reading after its start: 3 s.
        row("made read-only, then writable", { "read-only" }, answered(2, 2, "0:0:3:0|3"), 2, 0, "es de solo lectura");
        row("locked by another program, then released", { "BEGIN", "DELETE FROM tesis WHERE 0" },
            answered(2, 2, "0:0:3:0|3"), 2, 0, "está siendo usada por otro programa; vuelva a intentarlo");
    }
    void run()
    {
        QFETCH(RunCase, c);
        const auto& [change, stored, count, step, refusal] = c;
        QStringList questions;
        for (int q = 1; q <= count; ++q)
            questions << QStringLiteral("Pregunta número %1").arg(q);
        setRun(2, 2, questions, 2);
        for (int edicion : { 2, 1, 3, 4 })
            writeSurvey(edicion, edicion == 2 ? questions : questions.mid(0, 2), 2, 2, DirIconos);
        openFirstNotice(m_anchor.get());
        const QString tesis = m_data->tablePath(QStringLiteral("tesis.DB"));
        // Found; no way out of a run but its answers (the window system's close is refused); at its first size,
        // whatever size the window before was given.
        auto settled = [](QWidget* w) {
            QCloseEvent close;
            const bool right = w && (QCoreApplication::sendEvent(w->windowHandle(), &close), w->isVisible())
                && w->size() == QSize(544, 375);
            if (right)
                w->resize(300, 200);
            return right;
        };
        withTableFile(tesis, [&](QSqlDatabase& other) {
            for (const QString table : { "variables", "preguntas" })
                execOn(other, QStringLiteral("ATTACH ? AS ") + table, { m_data->tablePath(table + ".DB") });
            for (int q = 1; q <= count; ++q) {
                TForm4* notice = shownWindow<TForm4>();
                QVERIFY2(settled(notice), qPrintable(QStringLiteral("notice %1").arg(q)));
                QCOMPARE(notice->Label1->text(), questions[q - 1]);
                notice->BitBtn1->click();
                TForm5* icons = shownWindow<TForm5>();
                QVERIFY2(settled(icons), qPrintable(QStringLiteral("icon window %1").arg(q)));
                QCOMPARE(icons->windowTitle(), QStringLiteral("%1. %2").arg(q).arg(questions[q - 1]));
                QVERIFY(icons->speedButton(2)->isVisibleTo(icons) && !icons->speedButton(3)->isVisibleTo(icons));
                auto click = [&] { // what it shows
                    icons->speedButton(2)->click();
                    return m_answerer->take();
                };
                if (q == 2 && !refusal.isEmpty()) {
                    QCOMPARE(click().section(QLatin1Char('\''), 2).trimmed(), refusal); // what follows the file named
                    QVERIFY(icons->isVisible() && !QGuiApplication::overrideCursor()); // the wait cursor went too
                    other.close(); // its transaction goes with it
                    QFile::setPermissions(tesis, QFile::ReadOwner | QFile::WriteOwner);
                }
                m_shiftMs += q == 1 ? step : 0;
                QCOMPARE(click(), q < count ? QString() : stored.size() == count ? kEnd : kChanged);
                // The windows done with are hidden and kept, one of each, to be made again; the end releases them.
                releaseHidden();
                QCOMPARE(int(liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), q == count ? 0 : 2);
                if (q > 1)
                    continue;
                // What other commands of the main window leave behind meanwhile.
                setRun(12, 3, { "X", "Y", "Z" }, 3);
                DirIconos = QStringLiteral("C:\\nada");
                DataModule6->Table3->close();
                for (const QString& statement : change) {
                    if (statement.startsWith(QStringLiteral("Borrar ")))
                        deleteSurvey(statement.section(QLatin1Char(' '), 1));
                    else if (statement == QStringLiteral("read-only"))
                        QVERIFY(QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
                    else
                        execOn(other, statement);
                }
            }
        });
        QCOMPARE(m_answerer->gaps, 1); // the end
        QVERIFY(!DataModule6->Table3->active() && !RunUnderWay && !shownWindow<TForm4>() && !shownWindow<TForm5>());
        QCOMPARE(results("Edicion, Pregunta, Tiempo, Suma_tiempo"), stored);
        // A deletion through the program keeps only the pictures rows still show.
        if (change.value(0).startsWith(QStringLiteral("Borrar")))
            QCOMPARE(
                fileRows(tesis, "tesis_graficos", "count(*)"), fileRows(tesis, "tesis", "count(DISTINCT Grafico)"));
    }

    // Two copies, each with its own connection, answering the same keys at once.
    void twoCopiesAnswerTheSameKeys()
    {
        auto answer = [picture = QImage(m_icons + QStringLiteral("/1.bmp"))](vdb::Table* table) {
            return errorOf([&] {
                for (int i = 0; i < 30; ++i)
                    accumulateAnswer(table, { 1, QStringLiteral("Uno"), i % 3 + 1 }, {}, picture, 2);
            });
        };
        std::atomic<int> ready = 0;
        auto together = [&ready] { // within a limit, each copy waits for the other to be ready: both answer at once
            ++ready;
            for (QDeadlineTimer limit(10000); ready < 2 && !limit.hasExpired();)
                std::this_thread::yield();
        };
        auto copy = std::async(std::launch::async, [&, otherCopy = QString("another copy"), dir = m_data->directory()] {
            vdb::setDatabaseDirectory(otherCopy, dir);
            vdb::Table table;
            table.setDatabaseName(otherCopy);
            table.setTableName(QStringLiteral("tesis.DB"));
            table.open();
            together();
            const QString error = answer(&table);
            table.close();
            vdb::setDatabaseDirectory(otherCopy, dir); // its connection goes with this thread
            return error;
        });
        DataModule6->Table3->open();
        together();
        const QString error = answer(DataModule6->Table3);
        // Nothing returns before the other copy is done: past every limit the wait for it would hang.
        if (copy.wait_for(std::chrono::seconds(30)) != std::future_status::ready)
            qFatal("the other copy did not finish its answers in 30 s");
        QCOMPARE(error + copy.get(), QString());
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"), (QStringList { "1|20|40", "2|20|40", "3|20|40" }));
    }

private:
    // The run state as the hand-over leaves it.
    void setRun(int numIconos, int totalIconos, const QStringList& questions = { "Primera", "Segunda", "Tercera" },
        int edicion = 1)
    {
        EdicionActual = edicion;
        NumPreguntas = int(questions.size());
        NumIconos = numIconos;
        TotalIconos = totalIconos;
        DirIconos = surveyDirectory(m_icons);
        Memo1.replace(questions);
        SiguientePregunta = 1;
    }
    QStringList results(const QString& columns) const
    {
        return fileRows(m_data->tablePath(QStringLiteral("tesis.DB")), QStringLiteral("tesis"), columns);
    }

    std::unique_ptr<ModuleData> m_data;
    QString m_icons;
    std::unique_ptr<QWidget> m_anchor;
    std::unique_ptr<Answerer> m_answerer;
    int m_shiftMs = 0;
    qint64 m_steadyMs = 0;
};

QTEST_MAIN(TestSurveyRun)
#include "tst_survey_run.moc"
