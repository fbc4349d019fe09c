// The icon window: its layout on the circle, the generator, the start time,
// the pictures and what happens when one cannot be loaded.

#include "administration/icon_window.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QtTest>

using namespace testing_support;

class TestIconWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void positions_data();
    void positions();
    void buttonsStandWhereTheLayoutSays();
    void generatorExample();
    void drawsAreDistinctOnlyWithEnoughIcons_data();
    void drawsAreDistinctOnlyWithEnoughIcons();
    void titleClockAndPointer();
    void startTimeLimits_data();
    void startTimeLimits();
    void largePicturesAreScaledDownButStoredWhole();
    void badIconFiles_data();
    void badIconFiles();

private:
    void setRun(int numIconos, int totalIconos, int question = 1);
    std::unique_ptr<TestData> m_data;
    QString m_icons;
};

void TestIconWindow::init()
{
    m_data = std::make_unique<TestData>();
    DataModule6 = new TDataModule6;
    m_icons = m_data->path(QStringLiteral("iconos"));
    writeIcons(m_icons, 12);
    run_clock::setLocal({});
    run_clock::setUtc({});
}

void TestIconWindow::cleanup()
{
    delete DataModule6;
    DataModule6 = nullptr;
    MainWindow = nullptr;
    m_data.reset();
}

void TestIconWindow::setRun(int numIconos, int totalIconos, int question)
{
    EdicionActual = 1;
    NumPreguntas = 12;
    NumIconos = numIconos;
    TotalIconos = totalIconos;
    DirIconos = QDir::toNativeSeparators(m_icons).replace(QLatin1Char('/'), QLatin1Char('\\'));
    Memo1.replace({ QStringLiteral("Primera"), QStringLiteral("Segunda"), QStringLiteral("Tercera") });
    SiguientePregunta = question + 1;
}

void TestIconWindow::positions_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("2") << 2 << "(380,154) (131,154)";
    QTest::newRow("3") << 3 << "(380,154) (193,262) (193,46)";
    QTest::newRow("4") << 4 << "(380,154) (256,279) (131,154) (255,29)";
    QTest::newRow("5") << 5 << "(380,154) (294,273) (154,228) (154,81) (294,35)";
    QTest::newRow("6") << 6 << "(380,154) (318,262) (193,262) (131,154) (193,46) (318,46)";
    QTest::newRow("7") << 7 << "(380,154) (333,252) (228,276) (143,208) (143,100) (228,32) (333,56)";
    QTest::newRow("8") << 8 << "(380,154) (344,242) (256,279) (167,242) (131,154) (167,66) (255,29) (344,66)";
    QTest::newRow("9") << 9 << "(380,154) (351,234) (277,277) (193,262) (138,197) (138,111) (193,46) (277,31) (351,74)";
    QTest::newRow("10") << 10
                        << "(380,154) (357,227) (294,273) (217,273) (154,228) (131,154) (154,81) (217,35) (294,35) "
                           "(357,80)";
    QTest::newRow("11") << 11
                        << "(380,154) (361,222) (307,268) (238,278) (174,249) (136,189) (136,119) (174,60) (238,30) "
                           "(307,40) (361,86)";
    QTest::newRow("12") << 12
                        << "(380,154) (364,216) (318,262) (256,279) (193,262) (147,217) (131,154) (147,92) (193,46) "
                           "(255,29) (318,46) (364,91)";
}

void TestIconWindow::positions()
{
    QFETCH(int, count);
    QFETCH(QString, expected);
    QStringList got;
    for (int i = 0; i < count; ++i) {
        const QPoint p = iconButtonPosition(count, i);
        got << QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y());
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

void TestIconWindow::buttonsStandWhereTheLayoutSays()
{
    for (int count = 2; count <= 12; ++count) {
        setRun(count, 12);
        TForm5 window;
        for (int k = 1; k <= 12; ++k) {
            QCOMPARE(window.speedButton(k)->isVisibleTo(&window), k <= count);
            if (k <= count)
                QCOMPARE(window.speedButton(k)->pos(), iconButtonPosition(count, k - 1));
        }
        QCOMPARE(window.speedButton(1)->size(), QSize(33, 33));
    }
}

void TestIconWindow::generatorExample()
{
    // Reseeded at 13:05:07.250 UTC with 12 pictures, 4 buttons show 8, 10, 5, 7:
    // the third draw repeats 8 and is drawn again.
    Randomize(QTime(13, 5, 7, 250));
    QCOMPARE(RandSeed, quint32(47107250));
    const std::array<int, 13> icons = drawIcons(4, 12);
    QCOMPARE((QList<int> { icons[1], icons[2], icons[3], icons[4] }), (QList<int> { 8, 10, 5, 7 }));

    run_clock::setUtc([] { return QTime(13, 5, 7, 250); });
    setRun(4, 12);
    TForm5 window;
    QCOMPARE((QList<int> { IconosMostrados[1], IconosMostrados[2], IconosMostrados[3], IconosMostrados[4] }),
        (QList<int> { 8, 10, 5, 7 }));
    QCOMPARE(window.shownIcon(1), 8);
    // The picture on button 1 is the file of icon 8.
    QCOMPARE(window.picture(1), QImage(m_icons + QStringLiteral("/8.bmp")));

    QCOMPARE(Random(0), 0);
}

void TestIconWindow::drawsAreDistinctOnlyWithEnoughIcons_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("distinct");
    QTest::newRow("as many as buttons") << 12 << 12 << true;
    QTest::newRow("more than buttons") << 6 << 40 << true;
    QTest::newRow("fewer than buttons") << 12 << 3 << false;
    QTest::newRow("none") << 5 << 0 << false;
}

void TestIconWindow::drawsAreDistinctOnlyWithEnoughIcons()
{
    QFETCH(int, count);
    QFETCH(int, total);
    QFETCH(bool, distinct);
    for (int seed = 0; seed < 200; ++seed) {
        Randomize(QTime::fromMSecsSinceStartOfDay(seed * 4099));
        const std::array<int, 13> icons = drawIcons(count, total);
        QSet<int> seen;
        for (int k = 1; k <= count; ++k) {
            QVERIFY(icons[k] >= 1 && icons[k] <= std::max(total, 1));
            seen.insert(icons[k]);
        }
        if (distinct)
            QCOMPARE(int(seen.size()), count);
        else if (total == 0)
            QCOMPARE(seen, QSet<int> { 1 });
    }
}

void TestIconWindow::titleClockAndPointer()
{
    QCOMPARE(pointerTarget(QRect(-4, -4, 1032, 776)), QPoint(512, 384));

    QWidget main;
    main.setGeometry(100, 80, 600, 401);
    main.show();
    MainWindow = &main;
    run_clock::setLocal([] { return QTime(10, 15, 20, 5); });
    setRun(3, 12, 3);
    Encontrado = 1;
    TForm5 window;
    QCOMPARE(window.windowTitle(), QStringLiteral("3. Tercera"));
    QCOMPARE(Encontrado, 0);
    QCOMPARE(InicioMs, 36920005);
    QCOMPARE(window.startMs(), 36920005);
    QCOMPARE(HoraInicio, quint16(10));
    QCOMPARE(MsInicio, quint16(5));
    QCOMPARE(QCursor::pos(), pointerTarget(main.frameGeometry()));

    // A question beyond the list's end: the number and ". ".
    setRun(3, 12, 12);
    TForm5 twelfth;
    QCOMPARE(twelfth.windowTitle(), QStringLiteral("12. "));
    QVERIFY(twelfth.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(twelfth.size(), QSize(544, 375));
}

void TestIconWindow::startTimeLimits_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<int>("ms");
    QTest::newRow("midnight") << QTime(0, 0) << 0;
    QTest::newRow("last ms") << QTime(23, 59, 59, 999) << 86400000 - 1;
}

void TestIconWindow::startTimeLimits()
{
    QFETCH(QTime, time);
    QFETCH(int, ms);
    run_clock::setLocal([time] { return time; });
    setRun(2, 12);
    TForm5 window;
    QCOMPARE(InicioMs, ms);
}

void TestIconWindow::largePicturesAreScaledDownButStoredWhole()
{
    writeBitmap(m_icons + QStringLiteral("/1.bmp"), 120, 60, Qt::blue);
    writeBitmap(m_icons + QStringLiteral("/2.bmp"), 16, 16, Qt::green);
    setRun(2, 2);
    TForm5 window;
    for (int k = 1; k <= 2; ++k) {
        const int icon = window.shownIcon(k);
        const QSize shown = window.speedButton(k)->iconSize();
        if (icon == 1) {
            QCOMPARE(window.picture(k).size(), QSize(120, 60));
            QCOMPARE(shown, QSize(33, 16)); // proportions kept
        } else {
            QCOMPARE(window.picture(k).size(), QSize(16, 16));
            QCOMPARE(shown, QSize(16, 16));
        }
    }
}

void TestIconWindow::badIconFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "Cannot open file %1\\3.bmp";
    QTest::newRow("empty") << "empty"
                           << "Bitmap image is not valid";
    QTest::newRow("truncated") << "truncated"
                               << "Bitmap image is not valid";
    QTest::newRow("text") << "text"
                          << "Bitmap image is not valid";
    QTest::newRow("png named bmp") << "png"
                                   << "Bitmap image is not valid";
    QTest::newRow("huge") << "huge"
                          << "Bitmap image is not valid";
}

void TestIconWindow::badIconFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString file = m_icons + QStringLiteral("/3.bmp");
    QFile::remove(file);
    if (kind == QLatin1String("empty")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("truncated")) {
        writeBitmap(file, 32, 32);
        QFile f(file);
        QVERIFY(f.resize(60));
    } else if (kind == QLatin1String("text")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all");
    } else if (kind == QLatin1String("png")) {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(file, "PNG"));
    } else if (kind == QLatin1String("huge")) {
        // A header that claims 20000 x 20000 pixels, with no pixels behind it.
        QByteArray bmp(54, '\0');
        bmp[0] = 'B';
        bmp[1] = 'M';
        qToLittleEndian<quint32>(54, bmp.data() + 10);
        qToLittleEndian<quint32>(40, bmp.data() + 14);
        qToLittleEndian<qint32>(20000, bmp.data() + 18);
        qToLittleEndian<qint32>(20000, bmp.data() + 22);
        qToLittleEndian<quint16>(1, bmp.data() + 26);
        qToLittleEndian<quint16>(24, bmp.data() + 28);
        qToLittleEndian<quint32>(20000u * 60000u, bmp.data() + 34);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bmp);
    }
    // With as many pictures as buttons every icon is shown, so 3.bmp is loaded by some button.
    setRun(4, 4);
    DirIconos = m_icons;
    DirIconos.replace(QLatin1Char('/'), QLatin1Char('\\'));
    pressOnModal(QStringLiteral("OK"));
    TForm5 window;
    QVERIFY(!lastModalTitle().isEmpty());
    QCOMPARE(lastModalText(), message.contains(QLatin1String("%1")) ? message.arg(DirIconos) : message);
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
    window.show();
    QVERIFY(window.isVisible());
}

QTEST_MAIN(TestIconWindow)
#include "tst_icon_window.moc"
