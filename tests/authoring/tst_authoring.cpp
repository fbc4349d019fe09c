// Authoring over real table files: creating a survey (range rules, "Aceptar", keys, failing posts, the whole modal
// chain with its layouts), changing a question, and the survey list: in select mode the hand-over that starts a run,
// with its checks of the survey and its icons; in delete mode the deletion and the renumbering of later surveys.

#include "authoring/change_question_dialog.h"
#include "authoring/new_survey_dialog.h"
#include "authoring/question_entry_dialog.h"
#include "authoring/survey_deletion.h"
#include "authoring/survey_list.h"
#include "platform/ui/fonts.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QtTest>

#include <optional>

using namespace testing_support;
using namespace run_fixture;

namespace {

// Rows "E|Direccion" (3 questions, 4 of 8 icons) or "E|Num|Num_ico|Total_ico|Direccion", "E|text", "E|text|icon";
// an empty E is a blank edition.
inline void writeRows(const QString& table, const QString& columns, const QStringList& rows, const QString& more = {})
{
    withTableFile(table, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows) {
            QStringList f = row.split(QLatin1Char('|'));
            if (columns.count(',') == 4 && f.size() == 2)
                f = QStringList { f[0], QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("8"), f[1] };
            QVariantList values(f.begin(), f.end());
            if (f[0].isEmpty())
                values[0] = QVariant();
            execOn(db,
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3%4)")
                    .arg(QFileInfo(table).baseName(), columns, QStringList(f.size(), "?").join(", "), more),
                values);
        }
        db.commit();
    });
}

inline const QString kAllParameters = QStringLiteral("Edicion, Num, Num_ico, Total_ico, Direccion");

// What "Aplicar Encuesta", "Borrar Encuesta" and "Modificar Preguntas" do before they create their window.
template <typename W> W* openAsTheCommandDoes()
{
    DataModule6->Table3->open();
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    t1->edit();
    EdicionActual = t1->recordCount();
    t1->last();
    return new W; // released at cleanup
}

// Moves the navigator on by `times` surveys with its Next button.
inline void nextSurvey(vui::DBNavigator* navigator, int times)
{
    for (int i = 0; i < times; ++i)
        navigator->button(vui::DBNavigator::nbNext)->click();
}

// Gives a field the focus as Tab does; false when it did not take it.
inline bool focusOn(QWidget* widget)
{
    widget->setFocus(Qt::TabFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); }, 2000);
}

// Once a modal window shows, `act` answers it; one that a failed check in `act` left open is ended, so the test
// reports instead of hanging.
template <typename W = QWidget> void whenShown(const std::function<void(W*)>& act)
{
    whenModal([act](QWidget* modal) {
        const auto guard = qScopeGuard([dialog = QPointer<QDialog>(qobject_cast<QDialog*>(modal))] {
            if (dialog && dialog->isVisible())
                dialog->done(0);
        });
        auto* window = qobject_cast<W*>(modal);
        QVERIFY2(window && QTest::qWaitForWindowExposed(window), qPrintable(modal->windowTitle()));
        act(window);
    });
}

// Shows a dialog modally while `act` answers it; -1 when a window was left open longer than patienceMs.
inline int showAnswered(vui::Form* dialog, const std::function<void(QWidget*)>& act, int patienceMs = 8000)
{
    whenShown(act);
    int result = -1;
    return runAnswered([&] { result = dialog->showModal(); }, patienceMs) ? result : -1;
}

// Survey 1 holds a duplicate and a blank question; survey 2 a question never answered; "Color" is in both.
const QStringList kChangeQuestions { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Nunca", "3|Otra" };
const QStringList kChangeResults { "1|Color|2", "1|Color|3", "2|Color|2", "1|¿Edad?|1", "1|Color|5", "3|Otra|4" };

// Keys typed into an entry of a survey; "Aceptar" enabled and the text then; "run" or "full disk" meanwhile; the rows
// of kChangeQuestions that change with Enter ({ -1 }: Escape instead) and of kChangeResults.
struct Case
{
    int survey, entry;
    QString keys, typed, meanwhile;
    QList<int> questionRows, resultRows;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestAuthoring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    // Per test: tables, data module, a working directory holding "iconos" with six icons, the run state as the main
    // window leaves it.
    void init()
    {
        m_data.emplace();
        QDir().mkpath(m_data->path("trabajo/iconos"));
        m_work = QDir(m_data->path("trabajo")).canonicalPath();
        QDir::setCurrent(m_work);
        m_icons = m_work + "/iconos";
        writeIcons(m_icons, 6);
        EdicionActual = 1;
        ModoReedicion = NumPreguntas = 0;
        RunUnderWay = false;
        DirIconos.clear();
    }
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<vui::Form*>(w))
                w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(QDir::tempPath());
        m_data.reset();
        RunUnderWay = false;
    }

    // Keys typed over a field's selected text ("^v " pastes the rest); the text typed, then once left.
    void rangeRules_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        // clang-format off
        const char* rows[][4] = {
            { "Edit1", "75", "50", "50" }, { "Edit1", "51", "50", "50" }, { "Edit1", "50", "50", "50" },
            { "Edit1", "1", "1", "1" }, { "Edit1", "0", "1", "1" }, { "Edit1", "^v 00", "1", "1" },
            { "Edit1", "5<Home>0", "05", "05" }, { "Edit1", "4<BS>", "", "1" },
            { "Edit1", "49<Up><Up>", "50", "50" }, { "Edit1", "2<Down><Down>", "1", "1" },
            { "Edit2", "13", "12", "12" }, { "Edit2", "12", "12", "12" }, { "Edit2", "7", "7", "7" },
            { "Edit2", "2", "2", "2" }, { "Edit2", "0", "2", "2" }, { "Edit2", "1", "1", "2" },
            { "Edit2", "1<Home>0", "01", "2" }, { "Edit2", "2<Home>0", "02", "02" },
            { "Edit2", "<BS>", "", "2" },
            { "Edit2", "11<Up><Up>", "12", "12" }, { "Edit2", "3<Down><Down>", "2", "2" },
            { "Edit4", "0", "0", "0" }, { "Edit4", "x12345", "1234", "1234" },
        };
        // clang-format on
        for (const auto& r : rows)
            QTest::addRow("%s '%s'", r[0], r[1]) << r[0] << r[1] << r[2] << r[3];
    }
    void rangeRules()
    {
        QFETCH(QString, field);
        QFETCH(QString, keys);
        auto dialog = openDialog();
        auto* edit = dialog->findChild<QLineEdit*>(field);
        QVERIFY(focusOn(edit));
        edit->selectAll();
        if (keys.startsWith(QLatin1String("^v "))) {
            QApplication::clipboard()->setText(keys.mid(3));
            keys = QStringLiteral("^v");
        }
        typeKeys(edit, keys);
        QTEST(edit->text(), "typed");
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_VERIFY_WITH_TIMEOUT(!edit->hasFocus(), 2000);
        QTEST(edit->text(), "left");
    }
    void aceptarEnabling_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("the lists, then a count") << false;
        QTest::newRow("a count, then the lists' directory typed by hand") << true;
    }
    void aceptarEnabling()
    {
        QFETCH(bool, typed);
        auto dialog = openDialog();
        QString enabled; // "Aceptar" after each step
        auto step = [&](QWidget* field, const QString& keys) {
            QVERIFY(focusOn(field));
            typeKeys(field, keys);
            enabled += QString::number(dialog->BitBtn1->isEnabled());
        };
        if (typed) {
            step(dialog->Edit4, "6");
            step(dialog->Edit3, m_work.chopped(1));
            step(dialog->Edit3, m_work.right(1));
        } else {
            step(dialog->Edit4, "<Tab>"); // merely tabbing into the drive list shows the directory list
            step(dialog->Edit4, "3");
        }
        QCOMPARE(dialog->DirectoryListBox1->isVisible(), !typed);
        QCOMPARE(DirIconos, m_work);
        // Another directory typed afterwards keeps it enabled and is not checked; only an emptied count takes it
        // away, and a count typed again brings it back.
        step(dialog->Edit3, "^aC:\\no\\existe");
        QCOMPARE(DirIconos, QStringLiteral("C:\\no\\existe"));
        step(dialog->Edit4, "<End><BS>");
        step(dialog->Edit4, "8");
        QCOMPARE(enabled, typed ? "001101" : "01101");
    }
    // Steps: a field focused, then keys. Enter never presses a button that once had the focus; Escape is "Cancelar".
    void keysAfterTheFocusMoved_data()
    {
        QTest::addColumn<bool>("reEdit");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("edit1");
        QTest::addColumn<bool>("pressed"); // "Aceptar" pressed: the questions come
        using L = QStringList;
        QTest::newRow("typing over the first field") << false << "" << L { "", "75" } << "50" << false;
        QTest::newRow("Enter in Edit3 after Aceptar had the focus")
            << false << "" << L { "Edit3", "<tab><btab><enter>" } << "1" << false;
        QTest::newRow("re-edit: Enter in Edit3 after Cancelar had the focus")
            << true << "" << L { "", "<btab><tab>", "Edit3", "<enter>" } << "5" << false;
        QTest::newRow("re-edit: 05, then Enter on the focused Aceptar")
            << true << "" << L { "Edit1", "<Home>0", "Edit3", "<tab><tab><btab><enter>" } << "05" << true;
        QTest::newRow("re-edit of a row with another directory")
            << true << "/otra/parte" << L { "", "" } << "5" << false;
    }
    void keysAfterTheFocusMoved()
    {
        QFETCH(bool, reEdit);
        QFETCH(QString, directory);
        QFETCH(QStringList, steps);
        QFETCH(bool, pressed);
        const QStringList before { "1|9|4|7|/primera", "2|5|12|1234|" + (directory.isEmpty() ? m_work : directory) };
        write(before, {});
        ModoReedicion = reEdit ? 1 : 0;
        EdicionActual = reEdit ? 2 : 3;
        auto dialog = openDialog();
        if (reEdit) {
            const QStringList shown { dialog->Edit1->text(), dialog->Edit2->text(), dialog->Edit4->text(), DirIconos };
            QCOMPARE(shown, before.last().split('|').mid(1));
            QCOMPARE(dialog->BitBtn1->isEnabled(), directory.isEmpty());
        } else if (!steps.first().isEmpty()) {
            makeAceptarAvailable(dialog.get());
        }
        if (pressed)
            pressOnModal(QStringLiteral("Aceptar")); // of the questions
        QVERIFY(runAnswered([&] {
            for (qsizetype i = 0; i + 1 < steps.size(); i += 2) {
                if (!steps[i].isEmpty())
                    focusOn(dialog->findChild<QWidget*>(steps[i]));
                typeKeys(nullptr, steps[i + 1]);
            }
        }));
        QTEST(dialog->Edit1->text(), "edit1");
        QCOMPARE(NumPreguntas, pressed ? 5 : 0);
        QCOMPARE(stored(), before); // overwritten with "05" read as 5, or untouched
        if (pressed)
            return;
        QVERIFY(dialog->isVisible());
        // Re-edit's "Cancelar" drops the row it edits; a new survey's writes nothing.
        typeKeys(nullptr, QStringLiteral("<esc>"));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(stored(), reEdit ? before.mid(0, 1) : before);
        QVERIFY(!DataModule6->Table1->active());
    }
    // A failing post shows the error, keeps the earlier rows and leaves no row pending: a full disk as the
    // parameters, or the third question, are written.
    void storeError()
    {
        failWritesWhere(file("variables"), "variables", "INSERT", "1");
        failWritesWhere(file("preguntas"), "preguntas", "INSERT", "NEW.Preguntas = 'p3'");
        NumPreguntas = 5;
        for (vui::Form* form : std::initializer_list<vui::Form*> { new TForm2, new TForm3 }) {
            const int result = showAnswered(form, [](QWidget* modal) {
                auto* entry = qobject_cast<TForm3*>(modal);
                for (int k = 1; entry && k <= 5; ++k)
                    QTest::keyClicks(entry->questionEdit(k), QByteArray("p") + QByteArray::number(k));
                if (!entry)
                    makeAceptarAvailable(qobject_cast<TForm2*>(modal));
                pressOnModal(QStringLiteral("OK")); // the error box comes instead of the next dialog
                findButton(modal, QStringLiteral("Aceptar"))->click();
            });
            QCOMPARE(result, int(vui::mrOk));
            QVERIFY2(lastModalText().contains("disco lleno"), qPrintable(lastModalText()));
        }
        QCOMPARE(stored() + questionRows(), (QStringList { "1|p1", "1|p2" }));
        for (vdb::Table* table : { DataModule6->Table1, DataModule6->Table2 })
            QVERIFY(table->state() != vdb::State::Insert && table->state() != vdb::State::Edit);
        QCOMPARE(DataModule6->Table2->recordCount(), 2);
    }
    void creationStepFailing()
    {
        // Re-edit's reading of the row fails: shown, and the dialog still comes up.
        ModoReedicion = 1;
        QVERIFY(QFile::remove(file("variables")));
        pressOnModal(QStringLiteral("OK"));
        std::unique_ptr<TForm2> dialog;
        QVERIFY(runAnswered([&] { dialog = openDialog(); }));
        QVERIFY(lastModalText().contains(QStringLiteral("variables.DB")));
        QVERIFY(dialog->isVisible());
    }
    void wholeChain_data()
    {
        QTest::addColumn<bool>("earlier"); // an earlier survey is in the tables
        QTest::addColumn<QList<int>>("passes");
        QTest::addColumn<bool>("cancel"); // the last pass's parameters end with "Cancelar"
        QTest::newRow("empty tables, 50 questions") << false << QList<int> { 50 } << false;
        QTest::newRow("Ignorar, then 26 instead of 25") << true << QList<int> { 25, 26 } << false;
        QTest::newRow("Ignorar twice, ending with 1") << true << QList<int> { 12, 9, 1 } << false;
        QTest::newRow("Ignorar twice, then Cancelar abandons the survey") << true << QList<int> { 10, 11, 7 } << true;
    }
    void wholeChain()
    {
        QFETCH(bool, earlier);
        QFETCH(QList<int>, passes);
        QFETCH(bool, cancel);
        QStringList params, questions;
        if (earlier)
            write(params = { "1|2|3|8|/antes" }, questions = { "1|vieja 1", "1|vieja 2" });

        m_questionDialogs = 0;
        answerParameters(passes, 0, cancel);
        // As "Crear Encuesta" opens it.
        DataModule6->Table1->open();
        EdicionActual = DataModule6->Table1->recordCount() + 1;
        auto* dialog = new TForm2; // released at cleanup
        QVERIFY(runAnswered([dialog] { dialog->showModal(); }, 20000));
        QCOMPARE(m_questionDialogs, passes.size() - (cancel ? 1 : 0));
        QCOMPARE(ModoReedicion, passes.size() > 1 ? 1 : 0);
        // The chain has unwound.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible() || !qobject_cast<vui::Form*>(w));
        QVERIFY(!QApplication::activeModalWidget());

        // The last pass's rows after the earlier survey's; after "Cancelar" only the earlier ones.
        const int n = passes.last();
        const int edition = earlier ? 2 : 1;
        if (!cancel)
            params << QStringLiteral("%1|%2|2|15|%3").arg(edition).arg(n).arg(m_work);
        for (int k = 1; !cancel && k <= n; ++k)
            questions << QString::number(edition) + '|' + text(passes.size(), k, n).left(70);
        QCOMPARE(parameterRows(kAllParameters), params);
        QCOMPARE(questionRows(), questions);
        QVERIFY(!DataModule6->Table1->active() && !DataModule6->Table2->active());
    }

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
        write({ "1|a", "2|b", "3|c" }, kChangeQuestions, kChangeResults);
        const auto& [survey, entry, keys, typed, meanwhile, changedQuestions, changedResults] = c;
        const bool enter = changedQuestions != QList<int> { -1 }, failing = meanwhile == "full disk";
        if (failing) // after the question rows and the first result rows were written
            failWritesWhere(file("tesis"), "tesis", "UPDATE", "OLD.Icono = 5");
        RunUnderWay = meanwhile == "run";
        auto* form = openAsTheCommandDoes<TForm8>();
        QString text;
        const int result = showAnswered(form, [&](QWidget*) {
            // On the first survey whatever the table's position, nothing chosen; choosing opens the field for good.
            QCOMPARE(state(form), "1 ¿Edad?/Color/ /Color -1 000");
            nextSurvey(form->DBNavigator1, survey - 1);
            choose(form, entry);
            QCOMPARE(state(form).section(' ', -1), "110");
            form->Edit1->setFocus();
            typeKeys(form->Edit1, keys);
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
        QStringList questions = kChangeQuestions, results = kChangeResults;
        for (int i : enter ? changedQuestions : QList<int>())
            questions[i] = questions[i].section('|', 0, 0) + '|' + text.mid(2);
        for (int i : changedResults)
            results[i] = results[i].section('|', 0, 0) + '|' + text.mid(2) + '|' + results[i].section('|', 2);
        QCOMPARE(questionRows(), questions);
        QCOMPARE(resultRows(), results);
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
        write({ "1|a", "2|b", "3|c" }, kChangeQuestions, kChangeResults);
        auto* form = openAsTheCommandDoes<TForm8>();
        const int result = showAnswered(form, [&](QWidget*) {
            choose(form, 1);
            form->Edit1->setFocus();
            typeKeys(form->Edit1, "Vacía");
            nextSurvey(form->DBNavigator1, 2);
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
        QStringList questions = kChangeQuestions;
        questions[5] = "2|Vacía";
        QCOMPARE(questionRows(), questions);
        QCOMPARE(resultRows(), kChangeResults);
        EdicionActual = 1;
        QVERIFY(TForm8().DBNavigator1->isHidden());
    }

    void handOver()
    {
        const QString dir = surveyDirectory(m_icons);
        write({ "1|1|2|6|" + dir, "2|2|5|6|" + dir }, { "1|Otra", "2|¿Cuál?", "2|" });
        Memo1.replace({ QStringLiteral("vieja") });
        QString focused;
        const int result = openList([&focused](TForm7* form) {
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
        // 4.bmp the last.
        const QString shape = QString::asprintf("%d|%d|%d|", questions, icons, icon4 == "no directory" ? 0 : 4);
        write({ "1|" + shape + dir }, texts);
        const int result = openList([refused](TForm7* form) {
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
    void deletesAndRenumbers_data()
    {
        // Parameter, question and result rows (blank-separated) before and after deleting the survey of the given
        // edition. Editions are numbers: deleting 1 leaves 10 and 11, deleting 2 lowers them; rows without an
        // edition stay as they are.
        for (const char* column :
            { "params", "questions", "results", "edition", "paramsAfter", "questionsAfter", "resultsAfter" })
            QTest::addColumn<QStringList>(column);
        auto row = [](const char* name, std::initializer_list<const char*> columns) {
            QTestData& data = QTest::newRow(name);
            for (const char* c : columns)
                data << QString::fromUtf8(c).split(u' ', Qt::SkipEmptyParts);
        };
        row("the only survey", { "1|a", "1|p1 1|p2 1|p1", "1|p1|1 1|p2|1 1|p1|4", "1", "", "", "" });
        const char* many[] = { "1|a 2|b 3|c |huérfana 10|j 11|k", "1|uno |suelta 1|dos 2|tres 3|cinco 10|diez 11|once",
            "1|uno|1 2|tres|2 1|dos|3 |x|4 11|once|5 3|cinco|4 10|diez|6 1|uno|7" };
        row("deleting 2",
            { many[0], many[1], many[2], "2", "1|a 2|c |huérfana 9|j 10|k",
                "1|uno |suelta 1|dos 2|cinco 9|diez 10|once",
                "1|uno|1 1|dos|3 |x|4 10|once|5 2|cinco|4 9|diez|6 1|uno|7" });
        row("deleting 1",
            { many[0], many[1], many[2], "1", "1|b 2|c |huérfana 9|j 10|k", "|suelta 1|tres 2|cinco 9|diez 10|once",
                "1|tres|2 |x|4 10|once|5 2|cinco|4 9|diez|6" });
    }
    void deletesAndRenumbers()
    {
        QFETCH(QStringList, params);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, results);
        QFETCH(QStringList, edition);
        write(params, questions, results);
        deleteSurvey(edition.first());
        QTEST(parameterRows(), "paramsAfter");
        QTEST(questionRows(), "questionsAfter");
        QTEST(resultRows(), "resultsAfter");
        // The open datasets show what the files hold.
        QCOMPARE(DataModule6->Table3->recordCount(), resultRows().size());
    }
    // Through the list: "No" keeps everything; a deletion failing at the last write, after the earlier tables and part
    // of this one were written, or on a read-only file, is shown and changes nothing; then two deletions in a row.
    void throughTheList()
    {
        write({ "1|a", "2|b", "3|c" }, { "1|p1", "2|p2", "2|p2b", "3|p3" },
            { "2|p2|1", "3|p3|2", "1|p1|3", "2|p2b|5", "3|p3|9" });
        const QStringList before = everything();
        QCOMPARE(pressBorrar("No", 2), int(vui::mrCancel));
        QCOMPARE(everything(), before);
        // Nothing was closed or moved either.
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QString("2"));
        // A survey that is not there is refused.
        QVERIFY_THROWS_EXCEPTION(vdb::Error, deleteSurvey(QStringLiteral("7")));
        QCOMPARE(everything(), before);

        const QString tesis = file("tesis");
        failWritesWhere(tesis, "tesis", "UPDATE", "OLD.Icono = 9");
        for (const QString message : { "disco lleno", "solo lectura" }) {
            QCOMPARE(pressBorrar("Sí", 2, true), int(vui::mrOk));
            QVERIFY2(lastModalText().startsWith("No se pudo borrar la Encuesta 2") && lastModalText().contains(message),
                qPrintable(lastModalText()));
            QCOMPARE(everything(), before);
            // Tests run as the superuser: the permission bits alone mark the file.
            withTableFile(tesis, [](QSqlDatabase& db) { execOn(db, "DROP TRIGGER IF EXISTS injected_failure"); });
            QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        // Once the file is free again deletions go through, the list showing what the first one left.
        QFile::setPermissions(tesis, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(pressBorrar("Sí", 1), int(vui::mrOk));
        TForm7* second = openAsTheCommandDoes<TForm7>();
        QCOMPARE(EdicionActual, 2);
        QCOMPARE(second->ListBox1->item(0)->text(), QString("p2"));
        QCOMPARE(pressBorrar("Sí", 2, false, second), int(vui::mrOk));
        QCOMPARE(parameterRows() + questionRows() + resultRows(),
            (QStringList { "1|b", "1|p2", "1|p2b", "1|p2|1", "1|p2b|5" }));
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    }

private:
    std::unique_ptr<TForm2> openDialog()
    {
        auto dialog = std::make_unique<TForm2>();
        if (!showActive(dialog.get()))
            qWarning("the dialog did not become active");
        return dialog;
    }
    // Types an icon count and takes the directory from the lists with Enter.
    static void makeAceptarAvailable(TForm2* dialog, const QString& count = QStringLiteral("5"))
    {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->Edit4->setFocus(Qt::TabFocusReason);
        typeKeys(dialog->Edit4, count + "<Enter>");
        QTRY_VERIFY_WITH_TIMEOUT(dialog->DriveComboBox1->hasFocus(), 2000);
    }
    QStringList stored() const { return parameterRows(kAllParameters); }
    QString file(const QString& name) const { return m_data->tablePath(name + ".DB"); }
    void write(const QStringList& params, const QStringList& questions, const QStringList& results = {}) const
    {
        writeRows(file("variables"), kAllParameters, params);
        writeRows(file("preguntas"), "Edicion, Preguntas", questions);
        writeRows(file("tesis"), "Edicion, Pregunta, Icono, Tiempo, Grafico, Suma_tiempo, Rep_icono, Promedio", results,
            ", '0:0:3:120', x'424d', 6, 2, 3");
    }
    QStringList parameterRows(const QString& columns = "Edicion, Direccion") const
    {
        return fileRows(file("variables"), "variables", columns);
    }
    QStringList questionRows() const { return fileRows(file("preguntas"), "preguntas", "Edicion, Preguntas"); }
    QStringList resultRows() const { return fileRows(file("tesis"), "tesis", "Edicion, Pregunta, Icono"); }
    QStringList everything() const
    {
        QStringList all;
        for (const QString table : { "variables", "preguntas", "tesis" })
            all << allFileRows(file(table), table);
        return all;
    }
    // Question k of n as pass `pass` types it: the second left empty, the last a character longer than a field takes.
    static QString text(int pass, int k, int n)
    {
        return k == 2 ? QString()
            : k == n  ? QString(71, 'x')
                      : QStringLiteral("pasada %1 pregunta %2").arg(pass).arg(k);
    }
    // Its opener was hidden first, and owns it as the window system sees it.
    static bool overHiddenOpener(QWidget* dialog)
    {
        QWidget* opener = dialog->parentWidget();
        return opener && !opener->isVisible() && dialog->windowHandle()->transientParent() == opener->windowHandle();
    }
    // Answers pass `index`: "Ignorar" but on the last, there "Aceptar" (or "Cancelar" on its parameters).
    void answerParameters(const QList<int>& passes, int index, bool cancel)
    {
        whenShown<TForm2>([=, this](TForm2* parameters) {
            // A user types into the dialog once it is the active window.
            QVERIFY(QTest::qWaitForWindowActive(parameters));
            QVERIFY(index == 0
                || (overHiddenOpener(parameters) && parameters->windowTitle() == "Vesmarin - Edicion de Encuesta"));
            // A re-edit pass starts from what the pass before stored.
            QCOMPARE(parameters->Edit1->text(), QString::number(index == 0 ? 1 : passes.at(index - 1)));
            QCOMPARE(parameters->BitBtn1->isEnabled(), index > 0);
            parameters->Edit1->selectAll();
            QTest::keyClicks(parameters->Edit1, QByteArray::number(passes.at(index)));
            if (!parameters->BitBtn1->isEnabled())
                makeAceptarAvailable(parameters, QStringLiteral("15"));
            const bool lastPass = index == passes.size() - 1;
            if (lastPass && cancel)
                return parameters->BitBtn2->click();
            // Once framed by the window manager, if any.
            whenShown<TForm3>([=, this, centre = parameters->frameGeometry().center()](TForm3* questions) {
                ++m_questionDialogs;
                const int n = passes.at(index);
                QCOMPARE(questions->questionCount(), n);
                QCOMPARE(questions->windowTitle(), QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
                QCOMPARE(questions->size(), n <= 25 ? QSize(544, 375) : QSize(810, 492));
                // Each step opens where the one before stood (odd heights round).
                QVERIFY(overHiddenOpener(questions));
                QVERIFY((questions->frameGeometry().center() - centre).manhattanLength() <= 1);
                // Its group box, the buttons' left, the last row's label and field; only rows 1 to n shown.
                const QRect box = questions->GroupBox1->geometry();
                const QPoint label = questions->questionLabel(n)->pos(), edit = questions->questionEdit(n)->pos();
                QCOMPARE(
                    QString::asprintf("%d,%d %dx%d %d %d %d,%d %d,%d", box.x(), box.y(), box.width(), box.height(),
                        questions->BitBtn1->x(), questions->BitBtn2->x(), label.x(), label.y(), edit.x(), edit.y()),
                    kLayouts.value(n));
                for (int k = 1; k <= kMaxQuestions; ++k)
                    QCOMPARE(questions->questionEdit(k)->isVisible() + questions->questionLabel(k)->isVisible(),
                        k <= n ? 2 : 0);
                // Scroll bars only where the rows reach beyond the client area.
                QCOMPARE(questions->ScrollBox->verticalScrollBar()->isVisible(), n > 12);
                QVERIFY(!questions->ScrollBox->horizontalScrollBar()->isVisible());
                // Enter walks the fields (the second empty) to "Aceptar" and presses it; Escape does nothing.
                for (int k = 1; k <= n; ++k) {
                    QTRY_VERIFY_WITH_TIMEOUT(questions->questionEdit(k)->hasFocus(), 2000);
                    QVERIFY(!questions->questionEdit(k)->visibleRegion().isEmpty()); // scrolled into view
                    typeKeys(
                        nullptr, (k == 1 ? QStringLiteral("<Esc>") : QString()) + text(index + 1, k, n) + "<Enter>");
                }
                if (!lastPass) {
                    answerParameters(passes, index + 1, cancel);
                    return questions->BitBtn2->click();
                }
                QTRY_VERIFY_WITH_TIMEOUT(questions->BitBtn1->hasFocus(), 2000);
                typeKeys(nullptr, QStringLiteral("<Enter>"));
            });
            parameters->BitBtn1->click();
        });
    }
    const QMap<int, QString> kLayouts { { 1, "0,-4 533x350 408 408 16,8 40,8" },
        { 9, "0,-4 533x350 408 408 16,248 40,248" }, { 10, "0,-4 533x350 408 408 8,278 40,278" },
        { 11, "0,-4 533x350 408 408 8,308 40,308" }, { 12, "0,-4 520x378 408 408 8,338 40,338" },
        { 25, "0,-4 520x768 408 408 8,728 40,728" }, { 26, "0,-4 785x757 650 650 312,8 344,8" },
        { 50, "0,-4 785x757 650 650 312,728 344,728" } };
    int m_questionDialogs = 0;
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
    // Opens the list as its command does, with that mode's button shown, and lets `act` answer it.
    static int openList(
        const std::function<void(TForm7*)>& act, bool deleting = false, TForm7* form = openAsTheCommandDoes<TForm7>())
    {
        (deleting ? form->BitBtn3 : form->BitBtn1)->show();
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
    // Presses "Borrar" (Enter) in delete mode on survey `surveyShown`, answers the confirmation and, when one comes,
    // the error box.
    static int pressBorrar(const QString& answer, int surveyShown, bool errorExpected = false,
        TForm7* list = openAsTheCommandDoes<TForm7>())
    {
        const auto act = [=](TForm7* form) {
            nextSurvey(form->DBNavigator1, surveyShown - 1);
            whenModal([=](QWidget* box) {
                if (errorExpected)
                    pressOnModal("OK");
                QCOMPARE(lastModalText() + '|' + box->windowTitle(),
                    QStringLiteral("¿Esta seguro que desea borrar esta Encuesta?|Vesmarin"));
                findButton(box, answer)->click();
            });
            QTest::keyClick(form, Qt::Key_Return);
        };
        return openList(act, true, list);
    }
    std::optional<ModuleData> m_data;
    QString m_work, m_icons;
};

QTEST_MAIN(TestAuthoring)
#include "tst_authoring.moc"
