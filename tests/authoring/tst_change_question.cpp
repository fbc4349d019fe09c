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

    void singleSurveyWithoutNavigator()
    {
        EdicionActual = 1;
        QVERIFY(TForm8().DBNavigator1->isHidden());
    }
    // Keys typed as the new text of an entry, then Escape or Enter. Escape is
    // "Cancelar": nothing written, the parameter table and the query left
    // open. Enter changes every matching question and result row once; a run
    // under way opened the results table and writes into it without opening it.
    void keysThenEscapeOrEnter_data()
    {
        QTest::addColumn<int>("survey");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed"); // "Aceptar" enabled, and the text
        QTest::addColumn<bool>("running");
        QTest::addColumn<QList<int>>("questionRows"); // rows of kQuestions that change, with Enter
        QTest::addColumn<QList<int>>("resultRows"); // rows of kResults that change
        using L = QList<int>;
        const L esc { -1 }, none; // Escape instead of Enter
        const QString x75(75, 'x'), y75(75, 'y');
        // clang-format off
        QTest::newRow("a character") << 1 << 1 << "a" << "1 a" << false << esc << none;
        QTest::newRow("Backspace on the empty field") << 1 << 1 << "<bs>" << "0 " << false << esc << none;
        QTest::newRow("Backspace emptying the field") << 1 << 1 << "ab<bs><bs>" << "1 " << false << esc << none;
        QTest::newRow("Backspace, emptied, once more") << 1 << 1 << "ab<bs><bs><bs>" << "0 " << false << esc << none;
        QTest::newRow("Delete changes nothing") << 1 << 1 << "a<bs><bs>x<home><del>" << "1 " << false << esc << none;
        QTest::newRow("Ctrl+C is a character") << 1 << 1 << "<bs>^c" << "1 " << false << esc << none;
        QTest::newRow("Enter while not ready") << 1 << 1 << "<enter>" << "1 " << false << esc << none;
        QTest::newRow("a 76th character") << 1 << 1 << x75 + 'x' << "1 " + x75 << false << esc << none;
        QTest::newRow("duplicates, consecutive results, the text elsewhere") << 1 << 1 << "Colour" << "1 Colour"
            << false << L { 1, 3 } << L { 0, 1, 4 };
        QTest::newRow("the text in survey 2") << 2 << 0 << "Colour" << "1 Colour" << false << L { 4 } << L { 2 };
        QTest::newRow("never answered, under a run") << 2 << 2 << "Jamás" << "1 Jamás" << true << L { 6 } << L {};
        QTest::newRow("the blank question") << 1 << 2 << "Nueva" << "1 Nueva" << false << L {} << L {};
        QTest::newRow("an empty new text") << 3 << 0 << "x<bs>" << "1 " << false << L { 7 } << L { 5 };
        QTest::newRow("seventy-five characters") << 3 << 0 << y75 << "1 " + y75 << true << L { 7 } << L { 5 };
        // clang-format on
    }
    void keysThenEscapeOrEnter()
    {
        QFETCH(int, survey);
        QFETCH(int, entry);
        QFETCH(QString, keys);
        QFETCH(bool, running);
        QFETCH(QList<int>, questionRows);
        QFETCH(QList<int>, resultRows);
        const bool enter = questionRows != QList<int> { -1 };
        DataModule6->Table3->open();
        RunUnderWay = running;
        TForm8* form = openAsTheCommandDoes();
        QString text;
        const int result = showAnswered(form, [&](QWidget*) {
            // On the first survey whatever the table's position, nothing chosen;
            // choosing opens the field, and nothing closes it again.
            QCOMPARE(state(form), "1 ¿Edad?/Color/ /Color -1 000");
            showSurvey(form, survey);
            choose(form, entry);
            QCOMPARE(state(form).section(' ', -1), "110");
            type(form, keys);
            text = QString::number(form->BitBtn1->isEnabled()) + ' ' + form->Edit1->text();
            typeKeys(form->Edit1, enter ? QStringLiteral("<enter>") : QStringLiteral("<esc>"));
        });
        QTEST(text, "typed");
        QCOMPARE(result, int(enter ? vui::mrOk : vui::mrCancel));
        QVERIFY(!form->isVisible());
        QVERIFY(enter ? !DataModule6->Table1->active() && !DataModule6->Table2->active()
                      : DataModule6->Table1->active() && DataModule6->Query1->active());
        QCOMPARE(DataModule6->Table3->active(), running || !enter);
        QStringList questions = kQuestions, results = kResults;
        const QString newText = text.mid(2);
        for (int i : enter ? questionRows : QList<int>())
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
