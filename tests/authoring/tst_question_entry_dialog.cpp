// The question-entry dialog: its rows and layout for 1 to 50 questions,
// scrolling to the focused field, Enter as Tab, and what "Aceptar" and
// "Ignorar" do with the tables.

#include "tst_new_survey_fixture.h"

#include <QScrollBar>

using namespace survey_testing;
using testing_support::findButton;

class TestQuestionEntryDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutRule_data();
    void layoutRule();
    void rowsAndLayout_data();
    void rowsAndLayout();
    void rowGeometry_data();
    void rowGeometry();
    void focusStartsInTheFirstField();
    void enterWalksTheFieldsAndPressesAceptar();
    void focusedFieldIsScrolledIntoView_data();
    void focusedFieldIsScrolledIntoView();
    void seventyCharactersPerField();
    void escapeDoesNothing();
    void aceptarWritesTheRowsInOrder_data();
    void aceptarWritesTheRowsInOrder();
    void ignorarOpensTheParametersInReEditMode();
    void storeErrorKeepsTheRowsPostedBefore();

private:
    std::unique_ptr<TForm3> openDialog(int questions);
    std::unique_ptr<Fixture> m_fixture;
};

void TestQuestionEntryDialog::initTestCase()
{
    vui::installFontSubstitutions();
}

void TestQuestionEntryDialog::init()
{
    m_fixture = std::make_unique<Fixture>();
}

void TestQuestionEntryDialog::cleanup()
{
    m_fixture.reset();
}

// Opens the dialog as the new-survey dialog does.
std::unique_ptr<TForm3> TestQuestionEntryDialog::openDialog(int questions)
{
    NumPreguntas = questions;
    auto dialog = std::make_unique<TForm3>();
    dialog->setWindowTitle(QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
    if (questions <= 25)
        dialog->resize(544, 375);
    if (!showActive(dialog.get()))
        qWarning("the dialog did not become active");
    return dialog;
}

void TestQuestionEntryDialog::layoutRule_data()
{
    QTest::addColumn<int>("questions");
    QTest::addColumn<QSize>("dialog");
    QTest::addColumn<QSize>("groupBox");
    QTest::addColumn<int>("buttonLeft");
    QTest::newRow("1") << 1 << QSize(544, 375) << QSize(533, 350) << 408;
    QTest::newRow("11") << 11 << QSize(544, 375) << QSize(533, 350) << 408;
    QTest::newRow("12") << 12 << QSize(544, 375) << QSize(520, 378) << 408;
    QTest::newRow("25") << 25 << QSize(544, 375) << QSize(520, 768) << 408;
    QTest::newRow("26") << 26 << QSize(810, 492) << QSize(785, 757) << 650;
    QTest::newRow("50") << 50 << QSize(810, 492) << QSize(785, 757) << 650;
}

void TestQuestionEntryDialog::layoutRule()
{
    QFETCH(int, questions);
    QFETCH(QSize, dialog);
    QFETCH(QSize, groupBox);
    QFETCH(int, buttonLeft);
    const QuestionLayout layout = questionLayout(questions);
    QCOMPARE(layout.dialog, dialog);
    QCOMPARE(layout.groupBox, groupBox);
    QCOMPARE(layout.buttonLeft, buttonLeft);
}

void TestQuestionEntryDialog::rowsAndLayout_data()
{
    layoutRule_data();
}

void TestQuestionEntryDialog::rowsAndLayout()
{
    QFETCH(int, questions);
    QFETCH(QSize, dialog);
    QFETCH(QSize, groupBox);
    QFETCH(int, buttonLeft);
    auto form = openDialog(questions);
    QCOMPARE(form->size(), dialog);
    QCOMPARE(form->GroupBox1->geometry(), QRect(QPoint(0, -4), groupBox));
    QCOMPARE(form->BitBtn1->geometry(), QRect(buttonLeft, 72, 75, 25));
    QCOMPARE(form->BitBtn2->geometry(), QRect(buttonLeft, 120, 75, 25));
    QCOMPARE(form->BitBtn1->text(), QStringLiteral("Aceptar"));
    QCOMPARE(form->BitBtn2->text(), QStringLiteral("Ignorar"));
    QCOMPARE(form->BitBtn1->modalResult(), int(vui::mrOk));
    QCOMPARE(form->BitBtn2->modalResult(), int(vui::mrIgnore));
    QCOMPARE(form->questionCount(), questions);
    for (int k = 1; k <= kMaxQuestions; ++k) {
        QCOMPARE(form->questionEdit(k)->isVisible(), k <= questions);
        QCOMPARE(form->questionLabel(k)->isVisible(), k <= questions);
    }
    // Scroll bars only where the rows reach beyond the client area.
    const bool scrolls = form->GroupBox1->height() - 4 > form->ScrollBox->viewport()->height();
    QCOMPARE(form->ScrollBox->verticalScrollBar()->isVisible(), scrolls);
    QCOMPARE(scrolls, questions > 12);
    QVERIFY(!form->ScrollBox->horizontalScrollBar()->isVisible());
}

void TestQuestionEntryDialog::rowGeometry_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<QRect>("label");
    QTest::addColumn<QRect>("edit");
    QTest::newRow("1") << 1 << QRect(16, 8, 15, 20) << QRect(40, 8, 250, 24);
    QTest::newRow("9") << 9 << QRect(16, 248, 15, 20) << QRect(40, 248, 250, 24);
    QTest::newRow("10") << 10 << QRect(8, 278, 22, 20) << QRect(40, 278, 250, 24);
    QTest::newRow("25") << 25 << QRect(8, 728, 22, 20) << QRect(40, 728, 250, 24);
    QTest::newRow("26") << 26 << QRect(312, 8, 22, 20) << QRect(344, 8, 250, 24);
    QTest::newRow("50") << 50 << QRect(312, 728, 22, 20) << QRect(344, 728, 250, 24);
}

void TestQuestionEntryDialog::rowGeometry()
{
    QFETCH(int, k);
    QFETCH(QRect, label);
    QFETCH(QRect, edit);
    QCOMPARE(questionLabelGeometry(k), label);
    QCOMPARE(questionEditGeometry(k), edit);
    NumPreguntas = 50;
    TForm3 form;
    QCOMPARE(form.questionLabel(k)->geometry(), label);
    QCOMPARE(form.questionEdit(k)->geometry(), edit);
    QCOMPARE(form.questionLabel(k)->text(), QStringLiteral("%1.-").arg(k));
    QCOMPARE(form.questionLabel(k)->font().family(), QStringLiteral("Arial Narrow"));
    QVERIFY(form.questionLabel(k)->font().bold());
    QCOMPARE(form.questionEdit(k)->font().family(), QStringLiteral("Arial Narrow"));
    QVERIFY(form.questionEdit(k)->font().bold());
}

void TestQuestionEntryDialog::focusStartsInTheFirstField()
{
    auto form = openDialog(3);
    QTRY_COMPARE(QApplication::focusWidget(), form->questionEdit(1));
    // Tab runs through the shown fields only, then the buttons.
    const QList<QWidget*> order { form->questionEdit(2), form->questionEdit(3), form->BitBtn1, form->BitBtn2,
        form->questionEdit(1) };
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
}

void TestQuestionEntryDialog::enterWalksTheFieldsAndPressesAceptar()
{
    EdicionActual = 4;
    NumPreguntas = 3;
    TForm3 form;
    int result = -1;
    testing_support::whenModal([](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm3*>(modal);
        QTest::keyClicks(d->questionEdit(1), "uno");
        QTest::keyClick(d->questionEdit(1), Qt::Key_Return);
        QTRY_VERIFY(d->questionEdit(2)->hasFocus());
        QTest::keyClick(d->questionEdit(2), Qt::Key_Return);
        QTRY_VERIFY(d->questionEdit(3)->hasFocus());
        QTest::keyClicks(d->questionEdit(3), "tres");
        QTest::keyClick(d->questionEdit(3), Qt::Key_Return);
        QTRY_VERIFY(d->BitBtn1->hasFocus());
        QTest::keyClick(d->BitBtn1, Qt::Key_Return);
    });
    result = form.showModal();
    QCOMPARE(result, int(vui::mrOk));
    QVERIFY(!form.isVisible());
    QCOMPARE(storedRows(preguntasTable()), (Rows { { "4", "uno" }, { "4", "" }, { "4", "tres" } }));
    QVERIFY(!DataModule6->Table2->active());
}

void TestQuestionEntryDialog::focusedFieldIsScrolledIntoView_data()
{
    QTest::addColumn<int>("questions");
    QTest::newRow("25 in the small dialog") << 25;
    QTest::newRow("50 in the large dialog") << 50;
}

void TestQuestionEntryDialog::focusedFieldIsScrolledIntoView()
{
    QFETCH(int, questions);
    auto form = openDialog(questions);
    QTRY_VERIFY(form->questionEdit(1)->hasFocus());
    QCOMPARE(form->ScrollBox->verticalScrollBar()->value(), 0);
    QWidget* viewport = form->ScrollBox->viewport();
    auto inView = [viewport](QWidget* w) {
        const QRect r(w->mapTo(viewport, QPoint(0, 0)), w->size());
        return viewport->rect().contains(r);
    };
    // Enter down the first column; each field reached is in view.
    const int last = std::min(questions, 25);
    for (int k = 1; k < last; ++k) {
        QTest::keyClick(form->questionEdit(k), Qt::Key_Return);
        QTRY_VERIFY(form->questionEdit(k + 1)->hasFocus());
        QVERIFY2(inView(form->questionEdit(k + 1)), qPrintable(QStringLiteral("field %1").arg(k + 1)));
    }
    QVERIFY(form->ScrollBox->verticalScrollBar()->value() > 0);
    // A field reached by a mouse-free jump back up comes into view as well.
    form->questionEdit(1)->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(inView(form->questionEdit(1)));
    QCOMPARE(form->ScrollBox->verticalScrollBar()->value(), 0);
}

void TestQuestionEntryDialog::seventyCharactersPerField()
{
    auto form = openDialog(2);
    const QString text = QString(75, QLatin1Char('x'));
    QTest::keyClicks(form->questionEdit(2), text);
    QCOMPARE(form->questionEdit(2)->text(), QString(70, QLatin1Char('x')));
}

void TestQuestionEntryDialog::escapeDoesNothing()
{
    auto form = openDialog(2);
    QTest::keyClick(form->questionEdit(1), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(form->isVisible());
    QCOMPARE(storedRows(preguntasTable()).size(), 0);
}

void TestQuestionEntryDialog::aceptarWritesTheRowsInOrder_data()
{
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("questions");
    QTest::newRow("empty table, one question") << 0 << QStringList { "¿Le gusta?" } << 1;
    QTest::newRow("empty table, blanks between") << 0 << QStringList { "a", "", "c", "" } << 4;
    QTest::newRow("after an earlier survey, repeated texts") << 3 << QStringList { "igual", "igual" } << 2;
    QTest::newRow("fifty questions") << 2 << QStringList {} << 50;
}

void TestQuestionEntryDialog::aceptarWritesTheRowsInOrder()
{
    QFETCH(int, rowsBefore);
    QFETCH(QStringList, texts);
    QFETCH(int, questions);
    for (int i = 1; i <= rowsBefore; ++i)
        addQuestionRow(1, QStringLiteral("antes %1").arg(i));
    EdicionActual = 2;
    if (texts.isEmpty())
        for (int k = 1; k <= questions; ++k)
            texts << QStringLiteral("pregunta %1").arg(k);

    auto form = openDialog(questions);
    for (int k = 1; k <= questions; ++k)
        QTest::keyClicks(form->questionEdit(k), texts.at(k - 1));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QVERIFY(!form->isVisible());

    const Rows rows = storedRows(preguntasTable());
    QCOMPARE(rows.size(), rowsBefore + questions);
    for (int i = 1; i <= rowsBefore; ++i)
        QCOMPARE(rows.at(i - 1), (QStringList { "1", QStringLiteral("antes %1").arg(i) }));
    for (int k = 1; k <= questions; ++k)
        QCOMPARE(rows.at(rowsBefore + k - 1), (QStringList { "2", texts.at(k - 1) }));
    // The survey's questions, listed as the other windows list them.
    QStringList listed = questionLines(QStringLiteral("2"));
    QCOMPARE(listed.size(), questions);
    QCOMPARE(listed.first(), texts.first().isEmpty() ? QStringLiteral(" ") : texts.first());
}

void TestQuestionEntryDialog::ignorarOpensTheParametersInReEditMode()
{
    addParameterRow(1, 3, 5, 9, m_fixture->work());
    EdicionActual = 1;
    NumPreguntas = 3;
    TForm3 form;
    struct
    {
        bool seen = false;
        QString caption;
        QString edit1, edit2, edit4, edit3;
        bool aceptarEnabled = false;
        bool entryHidden = false;
        int modo = 0;
    } again;
    testing_support::whenModal([&again](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm3*>(modal);
        QTest::keyClicks(d->questionEdit(1), "no se guarda");
        testing_support::whenModal([&again, d](QWidget* next) {
            LeftOpenGuard guard(next);
            auto* parameters = qobject_cast<TForm2*>(next);
            if (!parameters)
                return;
            again.seen = true;
            again.caption = parameters->windowTitle();
            again.edit1 = parameters->Edit1->text();
            again.edit2 = parameters->Edit2->text();
            again.edit4 = parameters->Edit4->text();
            again.edit3 = parameters->Edit3->text();
            again.aceptarEnabled = parameters->BitBtn1->isEnabled();
            again.entryHidden = !d->isVisible();
            again.modo = ModoReedicion;
            parameters->BitBtn2->click(); // "Cancelar" abandons the survey
        });
        findButton(d, QStringLiteral("Ignorar"))->click();
    });
    QCOMPARE(form.showModal(), int(vui::mrIgnore));
    QVERIFY(again.seen);
    QCOMPARE(again.caption, QStringLiteral("Vesmarin - Edicion de Encuesta"));
    QCOMPARE(again.edit1, QStringLiteral("3"));
    QCOMPARE(again.edit2, QStringLiteral("5"));
    QCOMPARE(again.edit4, QStringLiteral("9"));
    QCOMPARE(again.edit3, m_fixture->work());
    QVERIFY(again.aceptarEnabled);
    QVERIFY(again.entryHidden);
    QCOMPARE(again.modo, 1);
    QCOMPARE(ModoReedicion, 1);
    QCOMPARE(storedRows(preguntasTable()).size(), 0);
    QCOMPARE(storedRows(variablesTable()).size(), 0);
}

void TestQuestionEntryDialog::storeErrorKeepsTheRowsPostedBefore()
{
    EdicionActual = 3;
    NumPreguntas = 5;
    TForm3 form;
    // After the second row the edition in hand goes beyond the 16-bit field,
    // so the third post fails.
    int posted = 0;
    QObject::connect(DataModule6->Table2, &vdb::DataSet::dataChanged, &form, [&posted] {
        if (DataModule6->Table2->active() && DataModule6->Table2->state() == vdb::State::Browse
            && DataModule6->Table2->recordCount() != posted) {
            posted = DataModule6->Table2->recordCount();
            if (posted == 2)
                EdicionActual = 40000;
        }
    });
    testing_support::whenModal([](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm3*>(modal);
        for (int k = 1; k <= 5; ++k)
            QTest::keyClicks(d->questionEdit(k), QByteArray("p") + QByteArray::number(k));
        testing_support::pressOnModal(QStringLiteral("OK"));
        d->BitBtn1->click();
    });
    QCOMPARE(form.showModal(), int(vui::mrOk));
    QCOMPARE(testing_support::lastModalText(),
        QStringLiteral("40000 is not a valid value for field 'Edicion'. The allowed range is -32768 to 32767"));
    QVERIFY(!form.isVisible());
    QCOMPARE(storedRows(preguntasTable()), (Rows { { "3", "p1" }, { "3", "p2" } }));
    // The failed row is dropped, not left pending in the open table.
    QVERIFY(DataModule6->Table2->state() != vdb::State::Insert);
    EdicionActual = 3;
    DataModule6->Table2->last();
    QCOMPARE(DataModule6->Table2->recordCount(), 2);
}

QTEST_MAIN(TestQuestionEntryDialog)
#include "tst_question_entry_dialog.moc"
