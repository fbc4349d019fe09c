// The survey list in select mode: what it shows, the navigator, and the
// hand-over that starts a run, with its icon check.

#include "authoring/survey_list.h"
#include "shell/run_state.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QtTest>

#include <optional>

using namespace testing_support;
using namespace run_fixture;

namespace {
const QString kIncorrectos = QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados");
}

class TestSurveyList : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<TestData>();
        DataModule6 = new TDataModule6;
        m_icons = m_data->path(QStringLiteral("iconos"));
        writeIcons(m_icons, 6);
        RunUnderWay = false;
    }
    void cleanup()
    {
        for (TForm7* w : liveWindows<TForm7>())
            delete w;
        releaseHidden();
        delete DataModule6;
        DataModule6 = nullptr;
        m_data.reset();
    }

    void handOver()
    {
        addSurvey(1, { QStringLiteral("Otra") }, 2, 6, surveyDirectory(m_icons));
        addSurvey(2, { QStringLiteral("¿Cuál?"), QString() }, 5, 6, surveyDirectory(m_icons));
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
            QTest::keyClick(form->DBNavigator1, Qt::Key_Right);
            QTest::keyClick(form->DBNavigator1, Qt::Key_Right);
            QTest::keyClick(form->DBNavigator1, Qt::Key_Space);
            QTest::keyClick(form->DBNavigator1, Qt::Key_Return);
        });
        QVERIFY(navigatorFocused);
        QCOMPARE(firstKey, vui::DBNavigator::nbNext);
        QCOMPARE(result, int(vui::mrOk));
        QCOMPARE(EdicionActual, 2);
        QCOMPARE(NumPreguntas, 2);
        QCOMPARE(NumIconos, 5);
        QCOMPARE(TotalIconos, 6);
        QCOMPARE(DirIconos, surveyDirectory(m_icons));
        QCOMPARE(Memo1.lines(), (QStringList { QStringLiteral("¿Cuál?"), QStringLiteral(" ") }));
        QVERIFY(!DataModule6->Table1->active() && !DataModule6->Table2->active());
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
    void refusedHandOver_data()
    {
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("icons");
        QTest::addColumn<QString>("icon4"); // what stands as 4.bmp when not a good picture
        QTest::newRow("4.bmp missing") << 1 << 2 << "missing";
        QTest::newRow("not a bitmap") << 1 << 2 << "text";
        QTest::newRow("truncated") << 1 << 2 << "truncated";
        QTest::newRow("a directory") << 1 << 2 << "directory";
        // Refused at once: nothing waits for a writer or reads on for ever.
        QTest::newRow("a FIFO") << 1 << 2 << "fifo";
        QTest::newRow("a device") << 1 << 2 << "/dev/zero";
        QTest::newRow("too large") << 1 << 2 << "1025 x 1";
        // Rows changed outside the program: refused before any window comes up.
        QTest::newRow("one icon") << 2 << 1 << "";
        QTest::newRow("thirteen icons") << 2 << 13 << "";
        QTest::newRow("no questions") << 0 << 4 << "";
        QTest::newRow("51 questions") << 51 << 4 << "";
    }
    void refusedHandOver()
    {
        QFETCH(int, questions);
        QFETCH(int, icons);
        QFETCH(QString, icon4);
        const QString file = m_icons + QStringLiteral("/4.bmp");
        if (!icon4.isEmpty())
            QFile::remove(file);
        if (icon4 == QLatin1String("text")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("BM but nothing after") > 0);
        } else if (icon4 == QLatin1String("truncated")) {
            writeBitmap(file, 40, 40);
            QFile f(file);
            QVERIFY(f.resize(f.size() - 10));
        } else if (icon4 == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(file));
        } else if (icon4 == QLatin1String("/dev/zero")) {
            QVERIFY(QFile::link(icon4, file));
        } else if (icon4 == QLatin1String("1025 x 1")) {
            writeBitmap(file, 1025, 1);
        }
        std::optional<Fifo> fifo;
        if (icon4 == QLatin1String("fifo"))
            fifo.emplace(file);
        QCOMPARE(surveyShapeValid(icons, questions), !icon4.isEmpty());

        QStringList texts;
        for (int i = 0; i < questions; ++i)
            texts << QStringLiteral("q%1").arg(i);
        addSurvey(1, texts, icons, 5, surveyDirectory(m_icons));
        openSelectMode([](TForm7* form) {
            pressOnModal(QStringLiteral("OK"));
            form->BitBtn1->click();
        });
        QVERIFY(!fifo || !fifo->waited());
        const QString named = QStringLiteral("\n\nLa imagen %1\\4.bmp mide 1025 x 1 píxeles; un icono puede medir "
                                             "como máximo 1024 x 1024");
        QCOMPARE(lastModalText(), kIncorrectos + (icon4 == "1025 x 1" ? named.arg(surveyDirectory(m_icons)) : ""));
        QVERIFY(!DataModule6->Table3->active());
        QVERIFY(!shownWindow<TForm4>());
        QVERIFY(!RunUnderWay);
        QCOMPARE(SiguientePregunta, 1);
        QCOMPARE(TotalIconos, 5); // what was set before the check stays set
        QVERIFY(!liveWindows<TForm7>().value(0)->isVisible());
    }
    void roadTest()
    {
        // A survey of two questions with three icons out of six pictures, taken twice.
        addSurvey(1, { QStringLiteral("¿Qué animal prefiere?"), QStringLiteral("¿Qué color?") }, 3, 6,
            surveyDirectory(m_icons));
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
    int openSelectMode(const std::function<void(TForm7*)>& act);
    std::unique_ptr<TestData> m_data;
    QString m_icons;
};

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

QTEST_MAIN(TestSurveyList)
#include "tst_survey_list.moc"
