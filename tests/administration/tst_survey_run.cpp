// A survey's run: the icon window's layout, generator, start time and
// pictures; the answer's time, its accumulation in the results table and the
// 16-bit limits; the chain from the first notice to the end, and what a run
// meets when its survey or its file changes under it.

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
        run_clock::setUtc({});
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

    void positions_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");
        QTest::newRow("2") << 2 << "(380,154) (131,154)";
        QTest::newRow("3") << 3 << "(380,154) (193,262) (193,46)";
        QTest::newRow("4: 0.01745 per degree, not pi/180") << 4 << "(380,154) (256,279) (131,154) (255,29)";
        QTest::newRow("12") << 12
                            << "(380,154) (364,216) (318,262) (256,279) (193,262) (147,217) (131,154) (147,92) "
                               "(193,46) (255,29) (318,46) (364,91)";
    }
    void positions()
    {
        QFETCH(int, count);
        QFETCH(QString, expected);
        setRun(count, 12);
        TForm5 window;
        QStringList got;
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(window.speedButton(k)->isVisibleTo(&window), k <= count);
            if (k <= count)
                got << QStringLiteral("(%1,%2)").arg(window.speedButton(k)->x()).arg(window.speedButton(k)->y());
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    void generatorExample()
    {
        // Reseeded at 13:05:07.250 UTC with 12 pictures, 4 buttons show 8, 10, 5, 7:
        // the third draw repeats 8 and is drawn again.
        run_clock::setUtc([] { return QTime(13, 5, 7, 250); });
        setRun(4, 12);
        TForm5 window;
        QCOMPARE((QList<int> { IconosMostrados[1], IconosMostrados[2], IconosMostrados[3], window.shownIcon(4) }),
            (QList<int> { 8, 10, 5, 7 }));
        // The picture on button 1 is the file of icon 8.
        QCOMPARE(window.picture(1), QImage(m_run->icons + QStringLiteral("/8.bmp")));
        Randomize(QTime(13, 5, 7, 250));
        QCOMPARE(RandSeed, quint32(47107250));
        QCOMPARE(Random(0), 0);
    }

    void drawsAreDistinctOnlyWithEnoughIcons()
    {
        const std::pair<int, int> cases[] = { { 12, 12 }, { 6, 40 }, { 12, 3 }, { 5, 0 } }; // buttons, pictures
        for (const auto& [count, total] : cases)
            for (int seed = 0; seed < 200; ++seed) {
                Randomize(QTime::fromMSecsSinceStartOfDay(seed * 4099));
                const std::array<int, 13> icons = drawIcons(count, total);
                QSet<int> seen;
                for (int k = 1; k <= count; ++k) {
                    QVERIFY(icons[k] >= 1 && icons[k] <= std::max(total, 1));
                    seen.insert(icons[k]);
                }
                QVERIFY(total < count || int(seen.size()) == count);
            }
    }

    void titleClockAndPointer()
    {
        QCOMPARE(pointerTarget(QRect(-4, -4, 1032, 776)), QPoint(512, 384));
        QWidget main;
        main.setGeometry(100, 80, 600, 401);
        main.show();
        MainWindow = &main;
        run_clock::setNow([] { return run_clock::Reading { QTime(10, 15, 20, 5), 7 }; });
        setRun(3, 12);
        SiguientePregunta = 4; // question 3
        Encontrado = 1;
        TForm5 window;
        QCOMPARE(window.windowTitle(), QStringLiteral("3. Tercera"));
        QCOMPARE(Encontrado, 0);
        QCOMPARE(InicioMs, 36920005);
        QCOMPARE(window.startMs(), 36920005);
        QCOMPARE(window.steadyStartMs(), 7);
        QCOMPARE(QCursor::pos(), pointerTarget(main.frameGeometry()));
        // A question beyond the list's end: the number and ". ".
        SiguientePregunta = 13;
        QCOMPARE(TForm5().windowTitle(), QStringLiteral("12. "));
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
        for (int i = 0; i < size.width() * size.height(); ++i)
            picture.setPixel(
                i % size.width(), i / size.width(), (i % size.width() + i / size.width()) % 2 ? 0xff0000 : 0x0000ff);
        for (const char* name : { "/1.bmp", "/2.bmp" })
            QVERIFY(picture.save(m_run->icons + QLatin1String(name)));
        setRun(2, 2);
        TForm5 window;
        QCOMPARE(window.picture(1), picture); // what the answer stores is the file's picture
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

    void badIconFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QString invalid = QStringLiteral("Bitmap image is not valid");
        QImage picture(32, 32, QImage::Format_RGB888);
        picture.fill(Qt::red);
        QByteArray bmp, png;
        QBuffer bmpBuffer(&bmp), pngBuffer(&png);
        bmpBuffer.open(QIODevice::WriteOnly);
        pngBuffer.open(QIODevice::WriteOnly);
        picture.save(&bmpBuffer, "BMP");
        picture.save(&pngBuffer, "PNG");
        // A header that claims 20000 x 20000 pixels, with no pixels behind it.
        QByteArray huge = bmp.left(54);
        qToLittleEndian<qint32>(20000, huge.data() + 18);
        qToLittleEndian<qint32>(20000, huge.data() + 22);
        qToLittleEndian<quint32>(20000u * 60000u, huge.data() + 34);
        QTest::newRow("missing") << QByteArray("<missing>") << "Cannot open file %1\\3.bmp";
        QTest::newRow("empty") << QByteArray() << invalid;
        QTest::newRow("truncated") << bmp.left(60) << invalid;
        QTest::newRow("text") << QByteArray("not a picture at all") << invalid;
        QTest::newRow("png named bmp") << png << invalid;
        QTest::newRow("huge") << huge
                              << "La imagen %1\\3.bmp mide 20000 x 20000 píxeles; un icono puede medir como máximo "
                                 "1024 x 1024";
    }
    void badIconFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString file = m_run->icons + QStringLiteral("/3.bmp");
        QFile::remove(file);
        if (content != "<missing>") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        // With as many pictures as buttons every icon is shown, so 3.bmp is loaded by some button.
        setRun(4, 4);
        std::unique_ptr<TForm5> created;
        const QString shown = m_answerer->messageOf([&created] { created = std::make_unique<TForm5>(); });
        QCOMPARE(shown, message.contains(QLatin1String("%1")) ? message.arg(DirIconos) : message);
        TForm5& window = *created;
        int failed = 0;
        for (int k = 1; k <= 4; ++k)
            if (window.shownIcon(k) == 3)
                failed = k;
        QVERIFY(failed > 0);
        // Buttons up to the failing one are shown and numbered; the later ones stay hidden.
        for (int k = 1; k <= 4; ++k)
            QCOMPARE(window.speedButton(k)->isVisibleTo(&window), k <= failed);
        QVERIFY(window.picture(failed).isNull());
        QCOMPARE(IconosMostrados[failed], 3);
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
        QTest::newRow("longest") << QTime(0, 0) << QTime(23, 59, 59, 999) << 86399999ll << "23:59:59:999" << 86399;
        QTest::newRow("over a day") << QTime(9, 0) << QTime(9, 0, 1) << 86401000ll << "0:0:1:0" << 1;
        // The local clock holds while the two agree to within a second...
        QTest::newRow("steady 999 ms more") << QTime(9, 0) << QTime(9, 0, 3, 45) << 4044ll << "0:0:3:45" << 3;
        // ...and the steady count once they differ by that: the clock was set.
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
        QCOMPARE(results("Rep_icono"), (QStringList { "4", "1", "1", "1", "2", "2" }));
    }

    void counterLimits()
    {
        vdb::Table* t3 = DataModule6->Table3;
        t3->open();
        const QImage picture;
        // The longest first answer is 32767 s, on an empty table or not.
        QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, "a", 1 }, {}, picture, 32768));
        QVERIFY(results().isEmpty());
        QVERIFY(!accumulateAnswer(t3, { 1, "a", 1 }, {}, picture, 32767));
        QVERIFY_THROWS_EXCEPTION(vdb::Error, accumulateAnswer(t3, { 1, "a", 2 }, {}, picture, 32768));
        QCOMPARE(results("Icono, Suma_tiempo, Promedio"), QStringList { "1|32767|32767" });
        // The 32767th answer is stored; the 32768th is refused, and nothing of it is kept.
        writeResult(1, QStringLiteral("Límite"), 4, 32766, 0);
        const ResultKey key { 1, QStringLiteral("Límite"), 4 };
        QVERIFY(accumulateAnswer(t3, key, QStringLiteral("0:0:0:10"), picture, 0));
        QCOMPARE(errorOf([&] { accumulateAnswer(t3, key, QStringLiteral("0:0:1:0"), picture, 1); }),
            QStringLiteral("32768 is not a valid value for field 'Rep_icono'. The allowed range is -32768 to 32767"));
        QCOMPARE(t3->state(), vdb::State::Browse);
        QCOMPARE(results().last(), QStringLiteral("1|Límite|4|0:0:1:0|32767|0|0"));
    }

    void chain_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("step"); // the local clock set during the first answer
        QTest::newRow("one question") << 1 << 0;
        QTest::newRow("fifty questions, the most") << 50 << 0;
        QTest::newRow("clock set back 1 s") << 3 << -1000;
        QTest::newRow("clock forward 1 h") << 3 << 3600000;
        QTest::newRow("summer time ends") << 3 << -3600000; // once a 23-hour answer, refused at every click
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

    // Survey 2 of four alike runs while other commands change the run state
    // and close the results table, and while its survey is changed: the run
    // goes on with what it was handed and follows its survey to a new number,
    // and ends, storing nothing more, once any setting of it changed.
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
        QTest::newRow("its row at the largest count, then another icon")
            << "full"
            << "32768 is not a valid value for field 'Rep_icono'. The allowed range is -32768 to 32767";
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
        } else if (block == QStringLiteral("lock")) {
            QVERIFY(other.open());
            execOn(other, QStringLiteral("BEGIN IMMEDIATE"));
        } else {
            writeResult(1, QStringLiteral("Única"), icons->shownIcon(1), 32767, 0);
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
        const int button = block == QStringLiteral("full") ? 2 : 1;
        QCOMPARE(clickAnswered(icons, button), kEnd);
        // The second click is the start's second clock reading after it: 3 s.
        const QString full = QStringLiteral("%1|32767|0").arg(icons->shownIcon(1));
        QCOMPARE(results("Icono, Rep_icono, Suma_tiempo"),
            (button == 2 ? QStringList { full } : QStringList {})
                << QStringLiteral("%1|1|3").arg(icons->shownIcon(button)));
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
