// Creating a survey from end to end, with the new-survey dialog opened as the
// main window opens it and every later dialog answered as a user answers it:
// parameters, questions, going back with "Ignorar", and the unwinding of the
// modal chain.

#include "tst_new_survey_fixture.h"

using namespace survey_testing;
using testing_support::findButton;
using testing_support::whenModal;

namespace {

// What one pass through the parameters and the questions saw.
struct Pass
{
    QString parametersCaption;
    QString prefilledQuestions;
    bool aceptarEnabledAtOnce = false;
    bool previousHidden = false; // the dialog that opened this one was hidden first
    SeenQuestions questions;
};

} // namespace

class TestNewSurveyChain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void wholeChain_data();
    void wholeChain();
    void cancelAfterIgnorarAbandonsTheSurvey();

private:
    void answerParameters(const QList<int>& passes, int index, const QString& last, QList<Pass>* seen);
    int openAsTheMainWindowDoes(TForm2** dialog);
    std::unique_ptr<Fixture> m_fixture;
};

void TestNewSurveyChain::initTestCase()
{
    vui::installFontSubstitutions();
}

void TestNewSurveyChain::init()
{
    m_fixture = std::make_unique<Fixture>();
}

void TestNewSurveyChain::cleanup()
{
    m_fixture.reset();
}

// "Crear Encuesta": re-edit off, the parameter table open, the edition after
// the last, a new dialog with its caption, shown modally.
int TestNewSurveyChain::openAsTheMainWindowDoes(TForm2** dialog)
{
    ModoReedicion = 0;
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount() + 1;
    *dialog = new TForm2(nullptr);
    (*dialog)->setWindowTitle(QStringLiteral(" Vesmarin - Edicion de Encuesta"));
    return (*dialog)->showModal();
}

// Answers the parameters dialog of pass `index`, then its question-entry
// dialog: "Ignorar" on every pass but the last, `last` on the last one.
void TestNewSurveyChain::answerParameters(const QList<int>& passes, int index, const QString& last, QList<Pass>* seen)
{
    whenModal([=, this](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* parameters = qobject_cast<TForm2*>(modal);
        if (!parameters) {
            qWarning("expected the parameters dialog, got '%s'", qPrintable(modal->windowTitle()));
            return;
        }
        // A user types into the dialog once it is the active window.
        QVERIFY(QTest::qWaitForWindowActive(parameters));
        Pass& pass = (*seen)[index];
        pass.parametersCaption = parameters->windowTitle();
        pass.prefilledQuestions = parameters->Edit1->text();
        pass.aceptarEnabledAtOnce = parameters->BitBtn1->isEnabled();
        pass.previousHidden = !parameters->parentWidget() || !parameters->parentWidget()->isVisible();

        parameters->Edit1->selectAll();
        QTest::keyClicks(parameters->Edit1, QByteArray::number(passes.at(index)));
        if (!parameters->BitBtn1->isEnabled()) {
            parameters->Edit2->selectAll();
            QTest::keyClicks(parameters->Edit2, "4");
            parameters->Edit4->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(parameters->Edit4, "15");
            QTest::keyClick(parameters->Edit4, Qt::Key_Return);
            QTRY_VERIFY(parameters->DriveComboBox1->hasFocus());
        }

        QStringList texts;
        for (int k = 1; k <= passes.at(index); ++k)
            texts << QStringLiteral("pasada %1 pregunta %2").arg(index + 1).arg(k);
        const bool lastPass = index == passes.size() - 1;
        if (lastPass && last == QLatin1String("Cancelar")) {
            parameters->BitBtn2->click();
            return;
        }
        answerQuestions(&pass.questions, texts, lastPass ? QStringLiteral("Aceptar") : QStringLiteral("Ignorar"),
            [=, this](TForm3*) {
                if (!lastPass)
                    answerParameters(passes, index + 1, last, seen);
            });
        parameters->BitBtn1->click();
    });
}

void TestNewSurveyChain::wholeChain_data()
{
    QTest::addColumn<QList<int>>("passes");
    QTest::newRow("straight through, 4 questions") << QList<int> { 4 };
    QTest::newRow("straight through, 50 questions") << QList<int> { 50 };
    QTest::newRow("Ignorar, then 6 instead of 3") << QList<int> { 3, 6 };
    QTest::newRow("Ignorar, then 26 instead of 25") << QList<int> { 25, 26 };
    QTest::newRow("Ignorar twice, ending with 1") << QList<int> { 12, 2, 1 };
}

void TestNewSurveyChain::wholeChain()
{
    QFETCH(QList<int>, passes);
    // An earlier survey is in the tables already.
    addParameterRow(1, 2, 3, 8, QStringLiteral("/antes"));
    addQuestionRow(1, QStringLiteral("vieja 1"));
    addQuestionRow(1, QStringLiteral("vieja 2"));

    QList<Pass> seen(passes.size());
    answerParameters(passes, 0, QStringLiteral("Aceptar"), &seen);
    TForm2* dialog = nullptr;
    const int result = openAsTheMainWindowDoes(&dialog);
    std::unique_ptr<TForm2> owner(dialog);

    QCOMPARE(result, int(vui::mrOk));
    for (int i = 0; i < passes.size(); ++i) {
        const Pass& pass = seen.at(i);
        QVERIFY2(pass.questions.seen, qPrintable(QStringLiteral("pass %1").arg(i + 1)));
        QCOMPARE(pass.parametersCaption,
            i == 0 ? QStringLiteral(" Vesmarin - Edicion de Encuesta")
                   : QStringLiteral("Vesmarin - Edicion de Encuesta"));
        QVERIFY(pass.previousHidden);
        QVERIFY(pass.questions.openerHidden);
        QCOMPARE(pass.questions.count, passes.at(i));
        QCOMPARE(pass.questions.caption, QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
        QCOMPARE(pass.questions.size, passes.at(i) <= 25 ? QSize(544, 375) : QSize(810, 492));
        if (i > 0) {
            // The re-edit pass starts from what the pass before stored, with
            // "Aceptar" available since that directory came from the lists.
            QCOMPARE(pass.prefilledQuestions, QString::number(passes.at(i - 1)));
            QVERIFY(pass.aceptarEnabledAtOnce);
        }
    }
    QCOMPARE(ModoReedicion, passes.size() > 1 ? 1 : 0);

    // The chain has unwound: no dialog of it is left on screen.
    QVERIFY(!shownDialog<TForm2>());
    QVERIFY(!shownDialog<TForm3>());
    QVERIFY(!QApplication::activeModalWidget());

    // One parameter row for the new survey, from the last pass.
    const int n = passes.last();
    QCOMPARE(storedRows(variablesTable()),
        (Rows { { "1", "2", "3", "8", "/antes" }, { "2", QString::number(n), "4", "15", m_fixture->work() } }));
    // Only the last pass's questions, in order, after the earlier survey's.
    Rows expected { { "1", "vieja 1" }, { "1", "vieja 2" } };
    for (int k = 1; k <= n; ++k)
        expected << QStringList { "2", QStringLiteral("pasada %1 pregunta %2").arg(passes.size()).arg(k) };
    QCOMPARE(storedRows(preguntasTable()), expected);
    QCOMPARE(questionLines(QStringLiteral("2")).size(), n);
}

void TestNewSurveyChain::cancelAfterIgnorarAbandonsTheSurvey()
{
    addParameterRow(1, 2, 3, 8, QStringLiteral("/antes"));
    QList<Pass> seen(2);
    answerParameters({ 5, 7 }, 0, QStringLiteral("Cancelar"), &seen);
    TForm2* dialog = nullptr;
    const int result = openAsTheMainWindowDoes(&dialog);
    std::unique_ptr<TForm2> owner(dialog);

    QCOMPARE(result, int(vui::mrOk));
    QVERIFY(seen.at(0).questions.seen);
    QCOMPARE(seen.at(1).prefilledQuestions, QStringLiteral("5"));
    QVERIFY(!shownDialog<TForm2>());
    QVERIFY(!shownDialog<TForm3>());
    // The table holds again what it held before the creation began.
    QCOMPARE(storedRows(variablesTable()), (Rows { { "1", "2", "3", "8", "/antes" } }));
    QCOMPARE(storedRows(preguntasTable()).size(), 0);
}

QTEST_MAIN(TestNewSurveyChain)
#include "tst_new_survey_chain.moc"
