// The change-a-question dialog, driven as the author uses it, over real
// table files.

#include "authoring/change_question_dialog.h"
#include "maintenance_fixture.h"

using namespace maintenance;

namespace {

// Survey 1 holds a duplicate and a blank question; survey 2 a question never
// answered; "Color" is a question of surveys 1 and 2 both.
const QStringList kParameters { "1|a", "2|b", "3|c" };
const QStringList kQuestions { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Nunca", "3|Otra" };
const QStringList kResults { "1|Color|2", "1|Color|3", "2|Color|2", "1|¿Edad?|1", "1|Color|5", "3|Otra|4" };

} // namespace

class TestChangeQuestion : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_fixture->write(kParameters, kQuestions, kResults);
    }
    void cleanup() { m_fixture.reset(); }

    void madeAtStartUpOrForOneSurvey()
    {
        {
            TForm8 global(nullptr, false); // made at start-up: opens nothing
            QVERIFY(!DataModule6->Table1->active() && global.ComboBox1->count() == 0);
        }
        EdicionActual = 1; // a single survey: no navigator
        QVERIFY(TForm8().DBNavigator1->isHidden());
    }
    void keysThenEscape_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");
        QTest::newRow("a character") << "a" << true << "a";
        QTest::newRow("Backspace on the empty field") << "<bs>" << false << "";
        QTest::newRow("Backspace removing the last character") << "ab<bs><bs>" << true << "";
        QTest::newRow("then Backspace on the empty field") << "ab<bs><bs><bs>" << false << "";
        QTest::newRow("Delete changes nothing") << "a<bs><bs>x<home><del>" << true << "";
        QTest::newRow("Ctrl+C is a character") << "<bs>^c" << true << "";
        QTest::newRow("Enter while not ready") << "<enter>" << true << "";
        QTest::newRow("seventy-five characters and a 76th") << QString(76, 'x') << true << QString(75, 'x');
    }
    void keysThenEscape()
    {
        QFETCH(QString, keys);
        TForm8* form = openAsTheCommandDoes();
        QVERIFY(showActive(form));
        // On the first survey whatever the table's position, nothing chosen;
        // choosing opens the field, and nothing closes it again.
        QCOMPARE(state(form), "1 ¿Edad?/Color/ /Color -1 000");
        choose(form, 1);
        QCOMPARE(state(form), "1 ¿Edad?/Color/ /Color 1 110");
        type(form, keys);
        QTEST(form->BitBtn1->isEnabled(), "enabled");
        QTEST(form->Edit1->text(), "text");
        // Escape is "Cancelar": nothing written, the parameter table and the query left open.
        typeKeys(form->Edit1, QStringLiteral("<esc>"));
        QVERIFY(!form->isVisible());
        QCOMPARE(m_fixture->questions(), kQuestions);
        QCOMPARE(m_fixture->results(), kResults);
        QVERIFY(DataModule6->Table1->active() && DataModule6->Query1->active());
    }
    // The new text typed and Enter pressed. A run under way opened the results
    // table and writes into it without opening it again.
    void acceptChangesEveryMatchingRowOnce_data()
    {
        QTest::addColumn<int>("survey");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QList<int>>("questionRows"); // rows of kQuestions that change
        QTest::addColumn<QList<int>>("resultRows"); // rows of kResults that change
        using L = QList<int>;
        QTest::newRow("duplicate texts, consecutive results, same text elsewhere")
            << 1 << 1 << "Colour" << false << L { 1, 3 } << L { 0, 1, 4 };
        QTest::newRow("the same text in the second survey") << 2 << 0 << "Colour" << false << L { 4 } << L { 2 };
        QTest::newRow("a question never answered, under a run") << 2 << 2 << "Jamás" << true << L { 6 } << L {};
        QTest::newRow("the empty question, listed as one blank") << 1 << 2 << "Nueva" << false << L {} << L {};
        QTest::newRow("an empty new text") << 3 << 0 << "" << false << L { 7 } << L { 5 };
        QTest::newRow("seventy-five characters") << 3 << 0 << QString(75, 'y') << true << L { 7 } << L { 5 };
    }
    void acceptChangesEveryMatchingRowOnce()
    {
        QFETCH(int, survey);
        QFETCH(int, entry);
        QFETCH(QString, newText);
        QFETCH(bool, running);
        QFETCH(QList<int>, questionRows);
        QFETCH(QList<int>, resultRows);
        DataModule6->Table3->open();
        RunUnderWay = running;
        TForm8* form = openAsTheCommandDoes();
        const int result = showAnswered(form, [&](QWidget*) {
            showSurvey(form, survey);
            choose(form, entry);
            // An empty text is reached the way a user reaches it.
            type(form, (newText.isEmpty() ? QStringLiteral("x<bs>") : newText) + "<enter>");
        });
        QCOMPARE(result, int(vui::mrOk));
        QVERIFY(!form->isVisible());
        QVERIFY(!DataModule6->Table1->active() && !DataModule6->Table2->active());
        QCOMPARE(DataModule6->Table3->active(), running);
        QStringList questions = kQuestions, results = kResults;
        for (int i : questionRows)
            questions[i] = questions[i].section('|', 0, 0) + '|' + newText;
        for (int i : resultRows)
            results[i] = results[i].section('|', 0, 0) + '|' + newText + '|' + results[i].section('|', 2);
        QCOMPARE(m_fixture->questions(), questions);
        QCOMPARE(m_fixture->results(), results);
    }
    void navigatorPressClearsTheChoiceOnly()
    {
        TForm8* form = openAsTheCommandDoes();
        const int result = showAnswered(form, [&](QWidget*) {
            choose(form, 1);
            type(form, "Vacía");
            QVERIFY(form->BitBtn1->isEnabled());
            showSurvey(form, 3);
            // Next on the last survey moves nothing, yet the list is filled again.
            choose(form, 0);
            form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
            QCOMPARE(state(form) + ' ' + form->Edit1->text(), "3 Otra -1 111 Vacía");
            form->DBNavigator1->button(vui::DBNavigator::nbPrior)->click();
            QCOMPARE(state(form), "2 Color/ /Nunca -1 111");
            form->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
        // With nothing chosen only the second survey's empty question changed.
        QCOMPARE(m_fixture->questions(),
            (QStringList { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|Vacía", "2|Nunca", "3|Otra" }));
        QCOMPARE(m_fixture->results(), kResults);
    }
    void failurePartWayChangesNothing()
    {
        // The last matching result row cannot be written, after the question rows
        // and the first result rows were.
        failWritesWhere(m_fixture->file("tesis.DB"), "tesis", "UPDATE", "OLD.Icono = 5");
        const QStringList before = m_fixture->everything();
        TForm8* form = openAsTheCommandDoes();
        const int result = showAnswered(form, [&](QWidget*) {
            choose(form, 1);
            type(form, "Colour");
            pressOnModal("OK");
            form->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
        QVERIFY2(lastModalText().contains("disco lleno"), qPrintable(lastModalText()));
        QVERIFY(lastModalText().contains("las tablas quedan como estaban"));
        QCOMPARE(m_fixture->everything(), before);
        DataModule6->Table2->first();
        DataModule6->Table2->next(); // the open dataset was brought back as well
        QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QString("Color"));
    }

private:
    // The survey shown, the entries, the choice, and whether the label, the
    // field and "Aceptar" are enabled; the navigator shows with several surveys.
    static QString state(TForm8* form)
    {
        QStringList entries;
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            entries << form->ComboBox1->itemText(i);
        return QStringLiteral("%1 %2 %3 %4%5%6")
            .arg(form->DBNavigator1->isHidden() ? "-" : form->DBEdit1->text(), entries.join('/'))
            .arg(form->ComboBox1->currentIndex())
            .arg(int(form->Label3->isEnabled()))
            .arg(int(form->Edit1->isEnabled()))
            .arg(int(form->BitBtn1->isEnabled()));
    }
    // What "Modificar Preguntas" does before it creates the dialog.
    TForm8* openAsTheCommandDoes()
    {
        vdb::Table* t1 = DataModule6->Table1;
        t1->open();
        t1->edit();
        EdicionActual = t1->recordCount();
        t1->last();
        return new TForm8; // released with the fixture
    }
    // The keyboard way of choosing: each step down is a choice of its own.
    void choose(TForm8* form, int entry)
    {
        form->ComboBox1->setFocus();
        for (int i = form->ComboBox1->currentIndex(); i < entry; ++i)
            QTest::keyClick(form->ComboBox1, Qt::Key_Down);
    }
    void showSurvey(TForm8* form, int survey)
    {
        for (int i = 1; i < survey; ++i)
            form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
    }
    static void type(TForm8* form, const QString& keys)
    {
        form->Edit1->setFocus();
        typeKeys(form->Edit1, keys);
    }
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestChangeQuestion)
#include "tst_change_question.moc"
