// The survey list in select mode: what it shows, the navigator, and the
// hand-over that starts a run, with its checks of the survey and its icons.

#include "authoring/survey_list.h"
#include "maintenance_fixture.h"
#include "tests/administration/run_fixture.h"

#include <QFile>

#include <optional>

using namespace maintenance;
using namespace run_fixture;

class TestSurveyList : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_icons = m_fixture->work() + QStringLiteral("/iconos");
        writeIcons(m_icons, 6);
    }
    void cleanup() { m_fixture.reset(); }

    void handOver()
    {
        const QString dir = surveyDirectory(m_icons);
        m_fixture->write({ "1|1|2|6|" + dir, "2|2|5|6|" + dir }, { "1|Otra", "2|¿Cuál?", "2|" });
        writeBitmap(m_icons + QStringLiteral("/6.bmp"), 1024, 1024); // as large as an icon may be
        Memo1.replace({ QStringLiteral("vieja") });
        bool navigatorFocused = false;
        auto firstKey = vui::DBNavigator::nbFirst;
        const int result = openSelectMode([&navigatorFocused, &firstKey](TForm7* form) {
            // The navigator is the first tab stop, on its first button that
            // can act (First and Prior are greyed); an arrow picks Last and
            // Space presses it; Enter then presses the mode's button.
            navigatorFocused
                = QTest::qWaitFor([form] { return QApplication::focusWidget() == form->DBNavigator1; }, 2000);
            firstKey = form->DBNavigator1->current();
            for (Qt::Key key : { Qt::Key_Right, Qt::Key_Right, Qt::Key_Space, Qt::Key_Return })
                QTest::keyClick(form->DBNavigator1, key);
        });
        QVERIFY(navigatorFocused);
        QCOMPARE(firstKey, vui::DBNavigator::nbNext);
        QCOMPARE(result, int(vui::mrOk));
        QCOMPARE((QList<int> { EdicionActual, NumPreguntas, NumIconos, TotalIconos }), (QList<int> { 2, 2, 5, 6 }));
        QCOMPARE(DirIconos, dir);
        QCOMPARE(Memo1.lines(), (QStringList { QStringLiteral("¿Cuál?"), QStringLiteral(" ") }));
        QVERIFY(!DataModule6->Table1->active() && !DataModule6->Table2->active());
        QVERIFY(DataModule6->Table3->active());
        QCOMPARE(SiguientePregunta, 2);
        QVERIFY(RunUnderWay);
        TForm4* notice = shownWindow<TForm4>();
        QVERIFY(notice && !notice->isModal());
        QCOMPARE(notice->Label1->text(), QStringLiteral("¿Cuál?"));
        TForm7* list = liveWindows<TForm7>().value(0);
        QVERIFY(list && !list->isVisible());
        QCOMPARE(notice->parentWidget(), list);
    }
    // A survey's shape at the limits a run can take, and what can stand as 4.bmp.
    void handOverChecks_data()
    {
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("icons");
        QTest::addColumn<QString>("icon4"); // what stands as 4.bmp when not a good picture
        QTest::addColumn<bool>("refused");
        QTest::newRow("1 question of 2 icons") << 1 << 2 << "" << false;
        QTest::newRow("50 questions of 12 icons") << 50 << 12 << "" << false;
        QTest::newRow("no icon pictures: none is looked for") << 1 << 2 << "no directory" << false;
        // Rows changed outside the program: refused before any window comes up.
        QTest::newRow("one icon") << 2 << 1 << "" << true;
        QTest::newRow("thirteen icons") << 2 << 13 << "" << true;
        QTest::newRow("no questions") << 0 << 4 << "" << true;
        QTest::newRow("51 questions") << 51 << 4 << "" << true;
        QTest::newRow("4.bmp missing") << 1 << 2 << "missing" << true;
        QTest::newRow("not a bitmap") << 1 << 2 << "text" << true;
        QTest::newRow("truncated") << 1 << 2 << "truncated" << true;
        QTest::newRow("a directory") << 1 << 2 << "directory" << true;
        // Refused at once: nothing waits for a writer or reads on for ever.
        QTest::newRow("a FIFO") << 1 << 2 << "fifo" << true;
        QTest::newRow("a device") << 1 << 2 << "/dev/zero" << true;
        QTest::newRow("too large") << 1 << 2 << "1025 x 1" << true;
    }
    void handOverChecks()
    {
        QFETCH(int, questions);
        QFETCH(int, icons);
        QFETCH(QString, icon4);
        QFETCH(bool, refused);
        const QString file = m_icons + QStringLiteral("/4.bmp");
        if (!icon4.isEmpty())
            QFile::remove(file);
        if (icon4 == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("BM but nothing after") > 0);
        } else if (icon4 == QLatin1String("truncated")) {
            writeBitmap(file, 40, 40);
            QVERIFY(QFile(file).resize(QFile(file).size() - 10));
        } else if (icon4 == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(file));
        } else if (icon4 == QLatin1String("/dev/zero")) {
            QVERIFY(QFile::link(icon4, file));
        } else if (icon4 == QLatin1String("1025 x 1")) {
            writeBitmap(file, 1025, 1);
        }
        const int total = icon4 == "no directory" ? 0 : 5;
        if (total == 0)
            QVERIFY(QDir(m_icons).removeRecursively());
        std::optional<Fifo> fifo;
        if (icon4 == QLatin1String("fifo"))
            fifo.emplace(file);
        const QString dir = surveyDirectory(m_icons);
        QStringList texts;
        for (int i = 1; i <= questions; ++i)
            texts << QStringLiteral("1|q%1").arg(i);
        m_fixture->write({ QStringLiteral("1|%1|%2|%3|%4").arg(questions).arg(icons).arg(total).arg(dir) }, texts);
        const int result = openSelectMode([refused](TForm7* form) {
            if (refused)
                pressOnModal(QStringLiteral("OK"));
            form->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
        QVERIFY(!fifo || !fifo->waited());
        QCOMPARE(TotalIconos, total); // what was set before the check stays set
        QVERIFY(!liveWindows<TForm7>().value(0)->isVisible());
        QCOMPARE(bool(shownWindow<TForm4>()), !refused);
        QCOMPARE(RunUnderWay, !refused);
        QCOMPARE(DataModule6->Table3->active(), !refused);
        QCOMPARE(SiguientePregunta, refused ? 1 : 2);
        if (!refused)
            return;
        const QString named = QStringLiteral("\n\nLa imagen %1\\4.bmp mide 1025 x 1 píxeles; un icono puede medir "
                                             "como máximo 1024 x 1024");
        QCOMPARE(lastModalText(),
            QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados")
                + (icon4 == "1025 x 1" ? named.arg(dir) : ""));
    }
    void roadTest()
    {
        // A survey of two questions with three icons out of six pictures, taken twice.
        m_fixture->write({ "1|2|3|6|" + surveyDirectory(m_icons) }, { "1|¿Qué animal prefiere?", "1|¿Qué color?" });
        QMap<QString, int> chosen; // "question/icon" -> times
        for (int round = 0; round < 2; ++round) {
            bool navigatorHidden = false; // with a single survey
            QCOMPARE(openSelectMode([&navigatorHidden](TForm7* form) {
                navigatorHidden = form->DBNavigator1->isHidden();
                form->BitBtn1->click();
            }),
                int(vui::mrOk));
            QVERIFY(navigatorHidden);
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
                QVERIFY(runAnswered([&] { QTest::mouseClick(icons->speedButton(button), Qt::LeftButton); }));
                QVERIFY(!icons->isVisible());
            }
            QTRY_COMPARE_WITH_TIMEOUT(lastModalText(), QStringLiteral("Fin del cuestionario"), 5000);
            releaseHidden();
            // Nothing of the run is left: its windows and the list that started it are released.
            QCOMPARE(
                int(liveWindows<TForm7>().size() + liveWindows<TForm4>().size() + liveWindows<TForm5>().size()), 0);
        }
        QMap<QString, int> stored;
        for (const Result& r : results()) {
            QCOMPARE(r.edicion, 1);
            stored[r.pregunta + QLatin1Char('/') + QString::number(r.icono)] = r.rep;
        }
        QCOMPARE(stored, chosen);
    }

private:
    // Opens the list as "Aplicar Encuesta" does and lets `act` answer it.
    int openSelectMode(const std::function<void(TForm7*)>& act)
    {
        DataModule6->Table3->open();
        DataModule6->Table1->open();
        EdicionActual = DataModule6->Table1->recordCount();
        auto* form = new TForm7; // released with the fixture
        form->setWindowTitle(QStringLiteral(" Vesmarin - Selección de Encuesta"));
        form->BitBtn1->show();
        return showAnswered(form, [form, act](QWidget*) { act(form); });
    }
    std::unique_ptr<Fixture> m_fixture;
    QString m_icons;
};

QTEST_MAIN(TestSurveyList)
#include "tst_survey_list.moc"
