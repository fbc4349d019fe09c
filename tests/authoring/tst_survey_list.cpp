// The survey list in select mode: the navigator, and the hand-over that starts a run, with its checks of the survey
// and its icons.

#include "authoring/survey_list.h"
#include "maintenance_fixture.h"
#include "tests/administration/run_fixture.h"

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
        Memo1.replace({ QStringLiteral("vieja") });
        QString focused;
        const int result = openSelectMode([&focused](TForm7* form) {
            // The navigator is the first tab stop, on its first button that can act (First and Prior are greyed);
            // an arrow picks Last and Space presses it; Enter then presses the mode's button.
            if (QTest::qWaitFor([form] { return QApplication::focusWidget() == form->DBNavigator1; }, 2000))
                focused = QString::number(form->DBNavigator1->current());
            for (Qt::Key key : { Qt::Key_Right, Qt::Key_Right, Qt::Key_Space, Qt::Key_Return })
                QTest::keyClick(form->DBNavigator1, key);
        });
        QCOMPARE(focused, QString::number(vui::DBNavigator::nbNext));
        QCOMPARE(result, int(vui::mrOk));
        QCOMPARE(handedOver(), "2|2|5|6|" + dir + "|¿Cuál?/ |tables 001|next 2|run 1|list hidden|notice ¿Cuál?");
        // Once the run is over (its end told by a box), the list that owned it is released too.
        pressOnModal(QStringLiteral("OK"));
        for (int q = 1; q <= 2 && shownWindow<TForm4>(); ++q) {
            shownWindow<TForm4>()->BitBtn1->click();
            QVERIFY(runAnswered([] { shownWindow<TForm5>()->speedButton(1)->click(); }));
        }
        releaseHidden();
        QVERIFY(liveWindows<TForm7>().isEmpty());
    }
    // A survey's shape at the limits a run can take, and what can stand as 4.bmp beyond the bad pictures the icon
    // window meets.
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
        // Refused at once: nothing waits for a writer of a FIFO or reads a device on for ever.
        for (const char* bad : { "missing", "directory", "fifo", "/dev/zero", "1025 x 1" })
            QTest::addRow("4.bmp %s", bad) << 1 << 2 << bad << true;
    }
    void handOverChecks()
    {
        QFETCH(int, questions);
        QFETCH(int, icons);
        QFETCH(QString, icon4);
        QFETCH(bool, refused);
        const QString file = m_icons + QStringLiteral("/4.bmp"), dir = surveyDirectory(m_icons);
        if (!icon4.isEmpty())
            QFile::remove(file);
        std::optional<Fifo> fifo;
        if (icon4 == "fifo")
            fifo.emplace(file);
        else if (icon4 == "1025 x 1")
            writeBitmap(file, 1025, 1);
        else if (icon4 == "directory" || icon4 == "/dev/zero")
            QVERIFY(icon4 == "directory" ? QDir().mkpath(file) : QFile::link(icon4, file));
        else if (icon4 == "no directory")
            QVERIFY(QDir(m_icons).removeRecursively());
        QStringList texts;
        for (int i = 1; i <= questions; ++i)
            texts << QStringLiteral("1|q%1").arg(i);
        const QString shape = QStringLiteral("%1|%2|%3|")
                                  .arg(questions)
                                  .arg(icons)
                                  .arg(icon4 == "no directory" ? 0 : 4); // 4.bmp the last
        m_fixture->write({ "1|" + shape + dir }, texts);
        const int result = openSelectMode([refused](TForm7* form) {
            if (refused)
                pressOnModal(QStringLiteral("OK"));
            form->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
        QVERIFY(liveWindows<TForm7>().value(0)->DBNavigator1->isHidden()); // with a single survey
        QVERIFY(!fifo || !fifo->waited());
        // What was set before the check stays set.
        QCOMPARE(handedOver().section('|', 0, 4), "1|" + shape + dir);
        QCOMPARE(handedOver().section('|', 6),
            refused ? "tables 000|next 1|run 0|list hidden|notice none"
                    : "tables 001|next 2|run 1|list hidden|notice q1");
        if (refused)
            QCOMPARE(lastModalText(),
                "Los datos de la Encuesta son Incorrectos o han sido Modificados"
                    + (icon4 == "1025 x 1" ? "\n\nLa imagen " + dir
                                + "\\4.bmp mide 1025 x 1 píxeles; un icono puede medir como máximo 1024 x 1024"
                                           : QString()));
    }

private:
    // Opens the list as "Aplicar Encuesta" does and lets `act` answer it.
    static int openSelectMode(const std::function<void(TForm7*)>& act)
    {
        auto* form = openAsTheCommandDoes<TForm7>();
        form->BitBtn1->show();
        return showAnswered(form, [form, act](QWidget*) { act(form); });
    }
    // What the hand-over leaves: the run's settings, the open tables, and the first question's notice, not modal
    // and owned by the hidden list.
    static QString handedOver()
    {
        TForm4* notice = shownWindow<TForm4>();
        TForm7* list = liveWindows<TForm7>().value(0);
        const bool owned = notice && !notice->isModal() && notice->parentWidget() == list;
        const auto n = [](int value) { return QString::number(value); };
        return QStringList { n(EdicionActual), n(NumPreguntas), n(NumIconos), n(TotalIconos), DirIconos,
            Memo1.lines().join('/'),
            "tables " + n(DataModule6->Table1->active()) + n(DataModule6->Table2->active())
                + n(DataModule6->Table3->active()),
            "next " + n(SiguientePregunta), "run " + n(RunUnderWay),
            list && !list->isVisible() ? "list hidden" : "list shown",
            "notice "
                + (!notice      ? QStringLiteral("none")
                        : owned ? notice->Label1->text()
                                : QStringLiteral("astray")) }
            .join('|');
    }
    std::unique_ptr<Fixture> m_fixture;
    QString m_icons;
};

QTEST_MAIN(TestSurveyList)
#include "tst_survey_list.moc"
