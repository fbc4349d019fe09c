// The change-a-question dialog, driven as the author uses it, over real table files.

#include "authoring/change_question_dialog.h"
#include "maintenance_fixture.h"

using namespace maintenance;

namespace {

// Survey 1 holds a duplicate and a blank question; survey 2 a question never answered; "Color" is in both.
const QStringList kQuestions { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Nunca", "3|Otra" };
const QStringList kResults { "1|Color|2", "1|Color|3", "2|Color|2", "1|¿Edad?|1", "1|Color|5", "3|Otra|4" };

// Keys typed into an entry of a survey; "Aceptar" enabled and the text then; "run" or "full disk" meanwhile; the rows
// of kQuestions that change with Enter ({ -1 }: Escape instead) and of kResults.
struct Case
{
    int survey, entry;
    QString keys, typed, meanwhile;
    QList<int> questionRows, resultRows;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestChangeQuestion : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_fixture->write({ "1|a", "2|b", "3|c" }, kQuestions, kResults);
    }
    void cleanup() { m_fixture.reset(); }

    // Keys typed as the new text of an entry, then Escape or Enter. Escape is "Cancelar": nothing written, the
    // parameter table and the query left open. Enter changes every matching question and result row once; a run
    // under way writes into the results table without opening it, so it stays open; a full disk at the last result
    // row changes nothing.
    void keysThenEscapeOrEnter_data()
    {
        QTest::addColumn<Case>("c");
        using L = QList<int>;
        const L esc { -1 }, none; // Escape instead of Enter
        const QString x75(75, 'x'), y75(75, 'y');
        // clang-format off
        QTest::newRow("a character") << Case { 1, 1, "a", "1 a", "", esc, none };
        QTest::newRow("Backspace on the empty field") << Case { 1, 1, "<bs>", "0 ", "", esc, none };
        QTest::newRow("Backspace emptying the field") << Case { 1, 1, "ab<bs><bs>", "1 ", "", esc, none };
        QTest::newRow("Backspace, emptied, once more") << Case { 1, 1, "ab<bs><bs><bs>", "0 ", "", esc, none };
        QTest::newRow("Delete changes nothing") << Case { 1, 1, "a<bs><bs>x<home><del>", "1 ", "", esc, none };
        QTest::newRow("Ctrl+C is a character") << Case { 1, 1, "<bs>^c", "1 ", "", esc, none };
        QTest::newRow("Enter while not ready") << Case { 1, 1, "<enter>", "1 ", "", esc, none };
        QTest::newRow("a 76th character") << Case { 1, 1, x75 + 'x', "1 " + x75, "", esc, none };
        QTest::newRow("duplicates, consecutive results, the text elsewhere")
            << Case { 1, 1, "Colour", "1 Colour", "", L { 1, 3 }, L { 0, 1, 4 } };
        QTest::newRow("the text in survey 2") << Case { 2, 0, "Colour", "1 Colour", "", L { 4 }, L { 2 } };
        QTest::newRow("never answered, under a run") << Case { 2, 2, "Jamás", "1 Jamás", "run", L { 6 }, L {} };
        QTest::newRow("the blank question") << Case { 1, 2, "Nueva", "1 Nueva", "", L {}, L {} };
        QTest::newRow("an empty new text") << Case { 3, 0, "x<bs>", "1 ", "", L { 7 }, L { 5 } };
        QTest::newRow("seventy-five characters") << Case { 3, 0, y75, "1 " + y75, "run", L { 7 }, L { 5 } };
        QTest::newRow("a full disk part-way") << Case { 1, 1, "Colour", "1 Colour", "full disk", L {}, L {} };
        // clang-format on
    }
    void keysThenEscapeOrEnter()
    {
        QFETCH(Case, c);
        const auto& [survey, entry, keys, typed, meanwhile, questionRows, resultRows] = c;
        const bool enter = questionRows != QList<int> { -1 }, failing = meanwhile == "full disk";
        if (failing) // after the question rows and the first result rows were written
            failWritesWhere(m_fixture->file("tesis"), "tesis", "UPDATE", "OLD.Icono = 5");
        RunUnderWay = meanwhile == "run";
        auto* form = openAsTheCommandDoes<TForm8>();
        QString text;
        const int result = showAnswered(form, [&](QWidget*) {
            // On the first survey whatever the table's position, nothing chosen; choosing opens the field for good.
            QCOMPARE(state(form), "1 ¿Edad?/Color/ /Color -1 000");
            showSurvey(form, survey);
            choose(form, entry);
            QCOMPARE(state(form).section(' ', -1), "110");
            type(form, keys);
            text = QString::number(form->BitBtn1->isEnabled()) + ' ' + form->Edit1->text();
            if (failing)
                pressOnModal("OK");
            typeKeys(form->Edit1, enter ? QStringLiteral("<enter>") : QStringLiteral("<esc>"));
        });
        QCOMPARE(text, typed);
        QCOMPARE(result, int(enter ? vui::mrOk : vui::mrCancel));
        QVERIFY(enter && !failing ? !DataModule6->Table1->active() && !DataModule6->Table2->active()
                                  : DataModule6->Table1->active() && DataModule6->Query1->active());
        QCOMPARE(DataModule6->Table3->active(), RunUnderWay || !enter || failing);
        QStringList questions = kQuestions, results = kResults;
        for (int i : enter ? questionRows : QList<int>())
            questions[i] = questions[i].section('|', 0, 0) + '|' + text.mid(2);
        for (int i : resultRows)
            results[i] = results[i].section('|', 0, 0) + '|' + text.mid(2) + '|' + results[i].section('|', 2);
        QCOMPARE(m_fixture->questions(), questions);
        QCOMPARE(m_fixture->results(), results);
        if (!failing)
            return;
        QVERIFY2(lastModalText().contains("disco lleno"), qPrintable(lastModalText()));
        QVERIFY(lastModalText().contains("las tablas quedan como estaban"));
        DataModule6->Table2->first();
        DataModule6->Table2->next(); // the open dataset was brought back as well
        QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QString("Color"));
    }
    // The navigator: hidden with a single survey; a press clears the choice and nothing else.
    void navigator()
    {
        auto* form = openAsTheCommandDoes<TForm8>();
        const int result = showAnswered(form, [&](QWidget*) {
            choose(form, 1);
            type(form, "Vacía");
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
        QStringList questions = kQuestions;
        questions[5] = "2|Vacía";
        QCOMPARE(m_fixture->questions(), questions);
        QCOMPARE(m_fixture->results(), kResults);
        EdicionActual = 1;
        QVERIFY(TForm8().DBNavigator1->isHidden());
    }

private:
    // The survey shown ("-" without navigator), the entries, the choice, and whether the label, the field and
    // "Aceptar" are enabled.
    static QString state(TForm8* form)
    {
        QStringList entries;
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            entries << form->ComboBox1->itemText(i);
        const auto on = [](const QWidget* w) { return QString::number(w->isEnabled()); };
        return QStringList { form->DBNavigator1->isHidden() ? "-" : form->DBEdit1->text(), entries.join('/'),
            QString::number(form->ComboBox1->currentIndex()), on(form->Label3) + on(form->Edit1) + on(form->BitBtn1) }
            .join(' ');
    }
    // The keyboard way of choosing: each step down is a choice of its own.
    static void choose(TForm8* form, int entry)
    {
        form->ComboBox1->setFocus();
        for (int i = form->ComboBox1->currentIndex(); i < entry; ++i)
            QTest::keyClick(form->ComboBox1, Qt::Key_Down);
    }
    static void showSurvey(TForm8* form, int survey)
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
