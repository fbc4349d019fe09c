// The icon window: its layout on the circle, the generator, the start time,
// the pictures and what happens when one cannot be loaded.

#include "administration/icon_window.h"
#include "administration/run_clock.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QBuffer>
#include <QCursor>
#include <QtTest>

using namespace testing_support;

class TestIconWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_run = std::make_unique<run_fixture::RunData>(12);
        run_clock::setNow({});
        run_clock::setUtc({});
    }
    void cleanup()
    {
        MainWindow = nullptr;
        m_run.reset();
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
        setRun(3, 12, 3);
        Encontrado = 1;
        TForm5 window;
        QCOMPARE(window.windowTitle(), QStringLiteral("3. Tercera"));
        QCOMPARE(Encontrado, 0);
        QCOMPARE(InicioMs, 36920005);
        QCOMPARE(window.startMs(), 36920005);
        QCOMPARE(window.steadyStartMs(), 7);
        QCOMPARE(QCursor::pos(), pointerTarget(main.frameGeometry()));
        // A question beyond the list's end: the number and ". ".
        setRun(3, 12, 12);
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
        const QString shown = run_fixture::messageOf([&created] { created = std::make_unique<TForm5>(); });
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

private:
    void setRun(int numIconos, int totalIconos, int question = 1)
    {
        EdicionActual = 1;
        NumPreguntas = 12;
        NumIconos = numIconos;
        TotalIconos = totalIconos;
        DirIconos = run_fixture::surveyDirectory(m_run->icons);
        Memo1.replace({ QStringLiteral("Primera"), QStringLiteral("Segunda"), QStringLiteral("Tercera") });
        SiguientePregunta = question + 1;
    }

    std::unique_ptr<run_fixture::RunData> m_run;
};

QTEST_MAIN(TestIconWindow)
#include "tst_icon_window.moc"
