// The question-entry dialog (its layout for 1 to 50 questions, Enter as Tab,
// a failing post), and creating a survey from end to end, with the new-survey
// dialog opened as the main window opens it and every later dialog answered
// as a user answers it: parameters, questions, going back with "Ignorar", and
// the unwinding of the modal chain.

#include "maintenance_fixture.h"

#include <QScrollBar>

using namespace maintenance;

class TestNewSurveyChain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init() { m_fixture = std::make_unique<Fixture>(); }
    void cleanup() { m_fixture.reset(); }
    void layout_data()
    {
        QTest::addColumn<int>("questions");
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<QSize>("groupBox");
        QTest::addColumn<int>("buttonLeft");
        QTest::addColumn<QRect>("lastLabel");
        QTest::newRow("1") << 1 << QSize(544, 375) << QSize(533, 350) << 408 << QRect(16, 8, 15, 20);
        QTest::newRow("11") << 11 << QSize(544, 375) << QSize(533, 350) << 408 << QRect(8, 308, 22, 20);
        QTest::newRow("12") << 12 << QSize(544, 375) << QSize(520, 378) << 408 << QRect(8, 338, 22, 20);
        QTest::newRow("25") << 25 << QSize(544, 375) << QSize(520, 768) << 408 << QRect(8, 728, 22, 20);
        QTest::newRow("26") << 26 << QSize(810, 492) << QSize(785, 757) << 650 << QRect(312, 8, 22, 20);
        QTest::newRow("50") << 50 << QSize(810, 492) << QSize(785, 757) << 650 << QRect(312, 728, 22, 20);
    }
    void layout()
    {
        QFETCH(int, questions);
        QFETCH(QSize, groupBox);
        QFETCH(int, buttonLeft);
        QFETCH(QRect, lastLabel);
        // Opened as the new-survey dialog opens it.
        NumPreguntas = questions;
        TForm3 form;
        if (questions <= 25)
            form.resize(544, 375);
        QVERIFY(showActive(&form));
        QTEST(form.size(), "dialog");
        QCOMPARE(form.GroupBox1->geometry(), QRect(QPoint(0, -4), groupBox));
        QCOMPARE(form.BitBtn1->x(), buttonLeft);
        QCOMPARE(form.BitBtn2->x(), buttonLeft);
        // A label grows to its text where the font needs more room.
        const QRect label = form.questionLabel(questions)->geometry();
        QCOMPARE(label.adjusted(0, 0, lastLabel.width() - label.width(), 0), lastLabel);
        QVERIFY(label.width() >= lastLabel.width());
        QCOMPARE(form.questionEdit(questions)->y(), lastLabel.y());
        for (int k = 1; k <= kMaxQuestions; ++k) {
            QCOMPARE(form.questionEdit(k)->isVisible(), k <= questions);
            QCOMPARE(form.questionLabel(k)->isVisible(), k <= questions);
        }
        // Scroll bars only where the rows reach beyond the client area.
        QCOMPARE(form.ScrollBox->verticalScrollBar()->isVisible(), questions > 12);
        QVERIFY(!form.ScrollBox->horizontalScrollBar()->isVisible());
        // The last field takes 70 characters and not a 71st.
        QTest::keyClicks(form.questionEdit(questions), QString(71, QLatin1Char('x')));
        QCOMPARE(form.questionEdit(questions)->text(), QString(70, QLatin1Char('x')));
    }
    void storeErrorKeepsTheRowsPostedBefore()
    {
        EdicionActual = 3;
        NumPreguntas = 5;
        TForm3 form;
        // After the second row the edition in hand goes beyond the 16-bit field,
        // so the third post fails.
        QObject::connect(DataModule6->Table2, &vdb::DataSet::dataChanged, &form, [] {
            vdb::Table* t = DataModule6->Table2;
            if (t->active() && t->state() == vdb::State::Browse && t->recordCount() == 2)
                EdicionActual = 40000;
        });
        const int result = showAnswered(&form, [](QWidget* modal) {
            auto* d = qobject_cast<TForm3*>(modal);
            for (int k = 1; k <= 5; ++k)
                QTest::keyClicks(d->questionEdit(k), QByteArray("p") + QByteArray::number(k));
            pressOnModal(QStringLiteral("OK"));
            d->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
        QCOMPARE(lastModalText(),
            QStringLiteral("40000 is not a valid value for field 'Edicion'. The allowed range is -32768 to 32767"));
        QCOMPARE(m_fixture->questions(), (QStringList { "3|p1", "3|p2" }));
        // The failed row is dropped, not left pending in the open table.
        QVERIFY(DataModule6->Table2->state() != vdb::State::Insert);
        QCOMPARE(DataModule6->Table2->recordCount(), 2);
    }
    void wholeChain_data()
    {
        QTest::addColumn<bool>("earlier"); // an earlier survey is in the tables
        QTest::addColumn<QList<int>>("passes");
        QTest::addColumn<bool>("cancel"); // the last pass's parameters end with "Cancelar"
        QTest::newRow("empty tables, 50 questions") << false << QList<int> { 50 } << false;
        QTest::newRow("Ignorar, then 26 instead of 25") << true << QList<int> { 25, 26 } << false;
        QTest::newRow("Ignorar twice, ending with 1") << true << QList<int> { 12, 2, 1 } << false;
        QTest::newRow("Ignorar, then Cancelar abandons the survey") << true << QList<int> { 5, 7 } << true;
    }
    void wholeChain()
    {
        QFETCH(bool, earlier);
        QFETCH(QList<int>, passes);
        QFETCH(bool, cancel);
        QStringList params, questions;
        if (earlier)
            m_fixture->write(params = { "1|2|3|8|/antes" }, questions = { "1|vieja 1", "1|vieja 2" });

        m_questionDialogs = 0;
        answerParameters(passes, 0, cancel);
        // As "Crear Encuesta" opens it: re-edit off, the parameter table open,
        // the edition after the last, a new dialog with its caption.
        ModoReedicion = 0;
        DataModule6->Table1->open();
        EdicionActual = DataModule6->Table1->recordCount() + 1;
        auto* dialog = new TForm2; // released with the fixture
        dialog->setWindowTitle(QStringLiteral(" Vesmarin - Edicion de Encuesta"));
        QVERIFY(runAnswered([dialog] { dialog->showModal(); }, 20000));
        QCOMPARE(m_questionDialogs, passes.size() - (cancel ? 1 : 0));
        QCOMPARE(ModoReedicion, passes.size() > 1 ? 1 : 0);
        // The chain has unwound: no dialog of it is left on screen.
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible() || !qobject_cast<vui::Form*>(w));
        QVERIFY(!QApplication::activeModalWidget());

        // One parameter row for the new survey, from the last pass, and only
        // the last pass's questions, in order, after the earlier survey's;
        // after "Cancelar" the tables hold what they held before.
        const int n = passes.last();
        const int edition = earlier ? 2 : 1;
        if (!cancel)
            params << QStringLiteral("%1|%2|4|15|%3").arg(edition).arg(n).arg(m_fixture->work());
        for (int k = 1; !cancel && k <= n; ++k)
            questions << QString::number(edition) + '|' + text(passes.size(), k);
        QCOMPARE(m_fixture->parameters(kAllParameters), params);
        QCOMPARE(m_fixture->questions(), questions);
        QVERIFY(!DataModule6->Table2->active());
    }

private:
    static QString text(int pass, int k)
    {
        return k == 2 ? QString() : QStringLiteral("pasada %1 pregunta %2").arg(pass).arg(k);
    }
    // Its opener was hidden first, and it belongs to that opener as the
    // window system sees it.
    static bool overHiddenOpener(QWidget* dialog)
    {
        QWidget* opener = dialog->parentWidget();
        return opener && !opener->isVisible() && dialog->windowHandle()->transientParent() == opener->windowHandle();
    }
    // Answers the parameters dialog of pass `index`, then its question-entry
    // dialog: "Ignorar" on every pass but the last, "Aceptar" on the last one,
    // or "Cancelar" in the last parameters dialog.
    void answerParameters(const QList<int>& passes, int index, bool cancel)
    {
        whenModal([=, this](QWidget* modal) {
            const auto guard = closeIfLeftOpen(modal);
            auto* parameters = qobject_cast<TForm2*>(modal);
            QVERIFY2(parameters, qPrintable(modal->windowTitle()));
            // A user types into the dialog once it is the active window.
            QVERIFY(QTest::qWaitForWindowActive(parameters) && QTest::qWaitForWindowExposed(parameters));
            QCOMPARE(parameters->windowTitle(),
                index == 0 ? QStringLiteral(" Vesmarin - Edicion de Encuesta")
                           : QStringLiteral("Vesmarin - Edicion de Encuesta"));
            QVERIFY(index == 0 || overHiddenOpener(parameters));
            // A re-edit pass starts from what the pass before stored, with
            // "Aceptar" available since that directory came from the lists.
            QCOMPARE(
                parameters->Edit1->text(), index == 0 ? QStringLiteral("1") : QString::number(passes.at(index - 1)));
            QCOMPARE(parameters->BitBtn1->isEnabled(), index > 0);
            parameters->Edit1->selectAll();
            QTest::keyClicks(parameters->Edit1, QByteArray::number(passes.at(index)));
            if (!parameters->BitBtn1->isEnabled()) {
                parameters->Edit2->selectAll();
                QTest::keyClicks(parameters->Edit2, "4");
                parameters->Edit4->setFocus(Qt::TabFocusReason);
                typeKeys(parameters->Edit4, QStringLiteral("15<Enter>"));
                QTRY_VERIFY_WITH_TIMEOUT(parameters->DriveComboBox1->hasFocus(), 2000);
            }
            const bool lastPass = index == passes.size() - 1;
            if (lastPass && cancel)
                return parameters->BitBtn2->click();
            whenModal([=, this, centre = parameters->frameGeometry().center()](QWidget* modal) {
                const auto guard = closeIfLeftOpen(modal);
                auto* questions = qobject_cast<TForm3*>(modal);
                QVERIFY2(questions, qPrintable(modal->windowTitle()));
                QVERIFY(QTest::qWaitForWindowExposed(questions)); // framed by the window manager, if any
                ++m_questionDialogs;
                const int n = passes.at(index);
                QCOMPARE(questions->questionCount(), n);
                QCOMPARE(questions->windowTitle(), QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
                QCOMPARE(questions->size(), n <= 25 ? QSize(544, 375) : QSize(810, 492));
                // Each step opens where the one before stood (odd heights round).
                QVERIFY(overHiddenOpener(questions));
                QVERIFY((questions->frameGeometry().center() - centre).manhattanLength() <= 1);
                // Enter walks the fields, the second left empty, and presses
                // the focused "Aceptar"; Escape does nothing here.
                for (int k = 1; k <= n; ++k) {
                    QTRY_VERIFY_WITH_TIMEOUT(questions->questionEdit(k)->hasFocus(), 2000);
                    typeKeys(nullptr, (k == 1 ? QStringLiteral("<Esc>") : QString()) + text(index + 1, k) + "<Enter>");
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
    int m_questionDialogs = 0;
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestNewSurveyChain)
#include "tst_new_survey_chain.moc"
