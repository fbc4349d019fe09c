// The change-a-question dialog, driven as the author uses it, over real
// table files.

#include "authoring/change_question_dialog.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/authoring/maintenance_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QtTest>

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
    void init();
    void cleanup();

    void layoutAndOpening();
    void oneSurveyHidesTheNavigator();
    void globalInstanceOpensNothing();
    void acceptFollowsTheKeys_data();
    void acceptFollowsTheKeys();
    void seventySixthCharacterIsRefused();
    void acceptChangesEveryMatchingRowOnce_data();
    void acceptChangesEveryMatchingRowOnce();
    void enterPressesAcceptOnceReady();
    void navigatorPressClearsTheChoiceOnly();
    void acceptClosesTablesButNotUnderARun_data();
    void acceptClosesTablesButNotUnderARun();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void failurePartWayChangesNothing();

private:
    QString file(const QString& name) const { return m_data->tablePath(name); }
    QStringList questions() const { return dump(file("preguntas.DB"), "preguntas", "Edicion, Preguntas"); }
    QStringList results() const { return dump(file("tesis.DB"), "tesis", "Edicion, Pregunta, Icono"); }
    // What "Modificar Preguntas" does before it creates the dialog.
    TForm8* openAsTheCommandDoes();
    static void choose(TForm8* form, int entry);
    static void showSurvey(TForm8* form, int survey);
    static void type(TForm8* form, const QString& keys);

    std::unique_ptr<testing_support::TestData> m_data;
    std::unique_ptr<QWidget> m_owner;
};

void TestChangeQuestion::init()
{
    m_data = std::make_unique<testing_support::TestData>();
    DataModule6 = new TDataModule6;
    m_owner = std::make_unique<QWidget>();
    RunUnderWay = false;
    writeParameters(file("variables.DB"), kParameters);
    writeQuestions(file("preguntas.DB"), kQuestions);
    writeResults(file("tesis.DB"), kResults);
}

void TestChangeQuestion::cleanup()
{
    m_owner.reset();
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
    RunUnderWay = false;
}

TForm8* TestChangeQuestion::openAsTheCommandDoes()
{
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    t1->edit();
    EdicionActual = t1->recordCount();
    t1->last();
    auto* form = new TForm8(m_owner.get());
    form->setWindowTitle(" Vesmarin - Modificar Preguntas");
    return form;
}

void TestChangeQuestion::choose(TForm8* form, int entry)
{
    // The keyboard way of choosing: each step down is a choice of its own.
    form->ComboBox1->setFocus();
    for (int i = form->ComboBox1->currentIndex(); i < entry; ++i)
        QTest::keyClick(form->ComboBox1, Qt::Key_Down);
}

void TestChangeQuestion::showSurvey(TForm8* form, int survey)
{
    for (int i = 1; i < survey; ++i)
        form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
}

// Keys as the notation of the table below: plain characters, <bs> Backspace,
// <del> Delete, <home> Home, <enter> Enter, ^c Ctrl+C, ^v Ctrl+V.
void TestChangeQuestion::type(TForm8* form, const QString& keys)
{
    QLineEdit* edit = form->Edit1;
    edit->setFocus();
    for (int i = 0; i < keys.size(); ++i) {
        if (keys.at(i) == QLatin1Char('<')) {
            const int end = keys.indexOf(QLatin1Char('>'), i);
            const QString name = keys.mid(i + 1, end - i - 1);
            const Qt::Key key = name == "bs" ? Qt::Key_Backspace
                : name == "del"              ? Qt::Key_Delete
                : name == "home"             ? Qt::Key_Home
                                             : Qt::Key_Return;
            QTest::keyClick(edit, key);
            i = end;
        } else if (keys.at(i) == QLatin1Char('^')) {
            QTest::keyClick(edit, keys.at(++i).toLatin1(), Qt::ControlModifier);
        } else {
            // Any character, accented ones included, as a keyboard delivers it.
            const QChar c = keys.at(i);
            const auto code = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Press, edit, code, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, edit, code, QString(c), Qt::NoModifier);
        }
    }
}

void TestChangeQuestion::layoutAndOpening()
{
    TForm8* form = openAsTheCommandDoes();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));

    QCOMPARE(form->size(), QSize(544, 375));
    QCOMPARE(form->windowTitle(), QString(" Vesmarin - Modificar Preguntas"));
    QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
    const struct
    {
        QWidget* widget;
        QRect geometry;
    } places[] = { { form->Label4, { 98, 8, 340, 20 } }, { form->Label1, { 64, 48, 68, 20 } },
        { form->DBEdit1, { 64, 72, 64, 28 } }, { form->DBNavigator1, { 232, 72, 220, 25 } },
        { form->Label2, { 64, 120, 63, 20 } }, { form->ComboBox1, { 64, 144, 425, 24 } },
        { form->Label3, { 64, 208, 182, 20 } }, { form->Edit1, { 64, 240, 425, 28 } },
        { form->BitBtn1, { 392, 288, 75, 25 } }, { form->BitBtn2, { 80, 288, 75, 25 } } };
    for (const auto& place : places)
        QCOMPARE(place.widget->geometry(), place.geometry);
    QCOMPARE(form->Label4->text(), QString("SELECCIONE LA PREGUNTA QUE DESEA MODIFICAR"));
    QCOMPARE(form->Label1->text(), QString("# Encuesta"));
    QCOMPARE(form->Label2->text(), QString("Preguntas"));
    QCOMPARE(form->Label3->text(), QString("Introduzca la Nueva Pregunta"));
    QCOMPARE(form->BitBtn1->text(), QString("Aceptar"));
    QCOMPARE(form->BitBtn2->text(), QString("Cancelar"));
    QCOMPARE(form->Label3->font().family(), QString("Arial Narrow"));
    QVERIFY(form->Edit1->font().bold());

    // Opened: on the first survey whatever the table's position, nothing chosen.
    QCOMPARE(form->DBEdit1->text(), QString("1"));
    QVERIFY(!form->DBEdit1->isEnabled());
    QVERIFY(form->DBNavigator1->isVisible());
    QVERIFY(!form->ComboBox1->isEditable());
    QCOMPARE(form->ComboBox1->count(), 4);
    QCOMPARE(form->ComboBox1->itemText(0), QString("¿Edad?"));
    QCOMPARE(form->ComboBox1->itemText(2), QString(" "));
    QCOMPARE(form->ComboBox1->itemText(3), QString("Color"));
    QCOMPARE(form->ComboBox1->currentIndex(), -1);
    QVERIFY(!form->Label3->isEnabled());
    QVERIFY(!form->Edit1->isEnabled());
    QVERIFY(!form->BitBtn1->isEnabled());
    QVERIFY(form->BitBtn1->isDefault());
    QVERIFY(form->BitBtn2->isEnabled());
    QCOMPARE(form->Edit1->maxLength(), 75);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form->ComboBox1));
    QCOMPARE(form->ComboBox1->nextInFocusChain(), static_cast<QWidget*>(form->DBEdit1));

    // Choosing opens the field; nothing closes it again.
    choose(form, 1);
    QVERIFY(form->Label3->isEnabled());
    QVERIFY(form->Edit1->isEnabled());
    QVERIFY(!form->BitBtn1->isEnabled());
    QCOMPARE(form->ComboBox1->currentText(), QString("Color"));
}

void TestChangeQuestion::oneSurveyHidesTheNavigator()
{
    withFile(file("variables.DB"), [](QSqlDatabase& db) { execOn(db, "DELETE FROM variables WHERE Edicion > 1"); });
    TForm8* form = openAsTheCommandDoes();
    QCOMPARE(EdicionActual, 1);
    form->show();
    QVERIFY(!form->DBNavigator1->isVisible());
    QCOMPARE(form->ComboBox1->count(), 4);
}

void TestChangeQuestion::globalInstanceOpensNothing()
{
    TForm8 global(nullptr, false);
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Query1->active());
    QCOMPARE(global.ComboBox1->count(), 0);
}

void TestChangeQuestion::acceptFollowsTheKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("text");
    QTest::newRow("a character") << "a" << true << "a";
    QTest::newRow("Backspace on the empty field") << "<bs>" << false << "";
    QTest::newRow("Backspace removing the last character") << "ab<bs><bs>" << true << "";
    QTest::newRow("then Backspace on the empty field") << "ab<bs><bs><bs>" << false << "";
    QTest::newRow("typing again") << "a<bs><bs>x" << true << "x";
    QTest::newRow("Delete changes nothing") << "a<bs><bs>x<home><del>" << true << "";
    QTest::newRow("Delete on the empty field") << "<bs><del>" << false << "";
    QTest::newRow("Ctrl+C is a character") << "<bs>^c" << true << "";
    QTest::newRow("Ctrl+V is a character") << "<bs>^v" << true << "";
    QTest::newRow("Enter while not ready") << "<enter>" << true << "";
}

void TestChangeQuestion::acceptFollowsTheKeys()
{
    QFETCH(QString, keys);
    TForm8* form = openAsTheCommandDoes();
    form->show();
    choose(form, 0);
    type(form, keys);
    QTEST(form->BitBtn1->isEnabled(), "enabled");
    QTEST(form->Edit1->text(), "text");
    // Nothing was pressed: the dialog is still up and nothing was written.
    QVERIFY(form->isVisible());
    QCOMPARE(questions(), kQuestions);
}

void TestChangeQuestion::seventySixthCharacterIsRefused()
{
    TForm8* form = openAsTheCommandDoes();
    form->show();
    choose(form, 0);
    const QString text(76, QLatin1Char('x'));
    type(form, text);
    QCOMPARE(form->Edit1->text(), text.left(75));
}

void TestChangeQuestion::acceptChangesEveryMatchingRowOnce_data()
{
    QTest::addColumn<int>("survey");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QStringList>("questionsAfter");
    QTest::addColumn<QStringList>("resultsAfter");

    QTest::newRow("duplicate texts, consecutive results, same text elsewhere")
        << 1 << 1 << "Colour"
        << QStringList { "1|¿Edad?", "1|Colour", "1|", "1|Colour", "2|Color", "2|", "2|Nunca", "3|Otra" }
        << QStringList { "1|Colour|2", "1|Colour|3", "2|Color|2", "1|¿Edad?|1", "1|Colour|5", "3|Otra|4" };
    QTest::newRow("the same text in the second survey")
        << 2 << 0 << "Colour"
        << QStringList { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Colour", "2|", "2|Nunca", "3|Otra" }
        << QStringList { "1|Color|2", "1|Color|3", "2|Colour|2", "1|¿Edad?|1", "1|Color|5", "3|Otra|4" };
    QTest::newRow("a question never answered")
        << 2 << 2 << "Jamás"
        << QStringList { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Jamás", "3|Otra" } << kResults;
    QTest::newRow("the empty question, listed as one blank") << 1 << 2 << "Nueva" << kQuestions << kResults;
    QTest::newRow("an empty new text") << 3 << 0 << ""
                                       << QStringList { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|",
                                              "2|Nunca", "3|" }
                                       << QStringList { "1|Color|2", "1|Color|3", "2|Color|2", "1|¿Edad?|1",
                                              "1|Color|5", "3||4" };
    QTest::newRow("the text of another question")
        << 1 << 0 << "Color"
        << QStringList { "1|Color", "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Nunca", "3|Otra" }
        << QStringList { "1|Color|2", "1|Color|3", "2|Color|2", "1|Color|1", "1|Color|5", "3|Otra|4" };
    const QString longest = QString(74, QLatin1Char('m')) + "Z";
    QTest::newRow("seventy-five characters")
        << 1 << 0 << longest
        << QStringList { "1|" + longest, "1|Color", "1|", "1|Color", "2|Color", "2|", "2|Nunca", "3|Otra" }
        << QStringList { "1|Color|2", "1|Color|3", "2|Color|2", "1|" + longest + "|1", "1|Color|5", "3|Otra|4" };
}

void TestChangeQuestion::acceptChangesEveryMatchingRowOnce()
{
    QFETCH(int, survey);
    QFETCH(int, entry);
    QFETCH(QString, newText);
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        showSurvey(form, survey);
        choose(form, entry);
        // An empty text is reached the way a user reaches it.
        type(form, newText.isEmpty() ? QStringLiteral("x<bs>") : newText);
        form->BitBtn1->click();
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    QVERIFY(!form->isVisible());
    QTEST(questions(), "questionsAfter");
    QTEST(results(), "resultsAfter");
}

void TestChangeQuestion::enterPressesAcceptOnceReady()
{
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        choose(form, 0);
        type(form, "<enter>"); // not ready yet: only makes it ready
        type(form, "Años<enter>");
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    QCOMPARE(questions().first(), QString("1|Años"));
    QCOMPARE(results().at(3), QString("1|Años|1"));
}

void TestChangeQuestion::navigatorPressClearsTheChoiceOnly()
{
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        choose(form, 1);
        type(form, "Vacía");
        QVERIFY(form->BitBtn1->isEnabled());
        showSurvey(form, 3);
        // Next on the last survey moves nothing, yet the list is filled again.
        choose(form, 0);
        form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
        QCOMPARE(form->DBEdit1->text(), QString("3"));
        QCOMPARE(form->ComboBox1->count(), 1);
        QCOMPARE(form->ComboBox1->currentIndex(), -1);
        QVERIFY(form->Edit1->isEnabled());
        QCOMPARE(form->Edit1->text(), QString("Vacía"));
        QVERIFY(form->BitBtn1->isEnabled());
        form->DBNavigator1->button(vui::DBNavigator::nbPrior)->click();
        QCOMPARE(form->ComboBox1->itemText(1), QString(" "));
        QCOMPARE(form->ComboBox1->currentText(), QString());
        form->BitBtn1->click();
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    // With nothing chosen only the second survey's empty question changed.
    QCOMPARE(questions(),
        (QStringList { "1|¿Edad?", "1|Color", "1|", "1|Color", "2|Color", "2|Vacía", "2|Nunca", "3|Otra" }));
    QCOMPARE(results(), kResults);
}

void TestChangeQuestion::acceptClosesTablesButNotUnderARun_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("no survey running") << false;
    QTest::newRow("a survey running") << true;
}

void TestChangeQuestion::acceptClosesTablesButNotUnderARun()
{
    QFETCH(bool, running);
    // A run opened the results table and writes into it without opening it.
    DataModule6->Table3->open();
    RunUnderWay = running;
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        choose(form, 0);
        type(form, "Años");
        form->BitBtn1->click();
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    QVERIFY(!DataModule6->Table1->active());
    QVERIFY(!DataModule6->Table2->active());
    QCOMPARE(DataModule6->Table3->active(), running);
    QCOMPARE(results().at(3), QString("1|Años|1"));
    if (running) {
        // The run's next answer finds its table open and lands in the file.
        vdb::Table* t3 = DataModule6->Table3;
        t3->append();
        t3->fieldByName("Edicion").setAsString("1");
        t3->fieldByName("Pregunta").setAsString("Años");
        t3->fieldByName("Icono").setAsString("6");
        t3->post();
        QCOMPARE(results().last(), QString("1|Años|6"));
    }
}

void TestChangeQuestion::cancelWritesNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancelar") << false;
    QTest::newRow("Escape") << true;
}

void TestChangeQuestion::cancelWritesNothing()
{
    QFETCH(bool, escape);
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        choose(form, 1);
        type(form, "Colour");
        if (escape)
            QTest::keyClick(form->Edit1, Qt::Key_Escape);
        else
            form->BitBtn2->click();
    });
    QCOMPARE(form->showModal(), int(vui::mrCancel));
    QVERIFY(!form->isVisible());
    QCOMPARE(questions(), kQuestions);
    QCOMPARE(results(), kResults);
    QVERIFY(DataModule6->Table1->active());
    QVERIFY(DataModule6->Query1->active());
}

void TestChangeQuestion::failurePartWayChangesNothing()
{
    // The last matching result row cannot be written, after the question rows
    // and the first result rows were.
    failWritesWhere(file("tesis.DB"), "tesis", "UPDATE", "OLD.Icono = 5");
    const QStringList before[2] = { dumpAll(file("preguntas.DB"), "preguntas"), dumpAll(file("tesis.DB"), "tesis") };
    TForm8* form = openAsTheCommandDoes();
    testing_support::whenModal([&](QWidget*) {
        choose(form, 1);
        type(form, "Colour");
        testing_support::pressOnModal("OK");
        form->BitBtn1->click();
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    QVERIFY2(testing_support::lastModalText().contains("disco lleno"), qPrintable(testing_support::lastModalText()));
    QVERIFY(testing_support::lastModalText().contains("las tablas quedan como estaban"));
    QCOMPARE(dumpAll(file("preguntas.DB"), "preguntas"), before[0]);
    QCOMPARE(dumpAll(file("tesis.DB"), "tesis"), before[1]);
    QCOMPARE(DataModule6->Table2->recordCount(), kQuestions.size());
    DataModule6->Table2->first();
    DataModule6->Table2->next();
    QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QString("Color"));
}

QTEST_MAIN(TestChangeQuestion)
#include "tst_change_question.moc"
