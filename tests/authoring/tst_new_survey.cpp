// Creating a survey: range rules, "Aceptar", keys, failing posts and the whole modal chain with its layouts.

#include "maintenance_fixture.h"
#include "platform/ui/fonts.h"

#include <QClipboard>
#include <QScrollBar>

using namespace maintenance;

class TestNewSurvey : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init() { m_fixture = std::make_unique<Fixture>(); }
    void cleanup() { m_fixture.reset(); }

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
        const QString work = m_fixture->work();
        QString enabled; // "Aceptar" after each step
        auto step = [&](QWidget* field, const QString& keys) {
            QVERIFY(focusOn(field));
            typeKeys(field, keys);
            enabled += QString::number(dialog->BitBtn1->isEnabled());
        };
        if (typed) {
            step(dialog->Edit4, "6");
            step(dialog->Edit3, work.chopped(1));
            step(dialog->Edit3, work.right(1));
        } else {
            step(dialog->Edit4, "<Tab>"); // merely tabbing into the drive list shows the directory list
            step(dialog->Edit4, "3");
        }
        QCOMPARE(dialog->DirectoryListBox1->isVisible(), !typed);
        QCOMPARE(DirIconos, work);
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
        const QStringList before { "1|9|4|7|/primera",
            "2|5|12|1234|" + (directory.isEmpty() ? m_fixture->work() : directory) };
        m_fixture->write(before, {});
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
    // A failing post shows the error, keeps earlier rows and leaves no row pending.
    void storeError_data()
    {
        QTest::addColumn<bool>("questions");
        QTest::newRow("parameters") << false;
        QTest::newRow("questions") << true;
    }
    void storeError()
    {
        QFETCH(bool, questions);
        const char* name = questions ? "preguntas" : "variables";
        // A full disk as the third question, or the parameters, are written.
        failWritesWhere(m_fixture->file(name), name, "INSERT", questions ? "NEW.Preguntas = 'p3'" : "1");
        NumPreguntas = 5;
        std::unique_ptr<vui::Form> form(questions ? static_cast<vui::Form*>(new TForm3) : new TForm2);
        const int result = showAnswered(form.get(), [](QWidget* modal) {
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
        QCOMPARE(questions ? m_fixture->questions() : stored(),
            (questions ? QStringList { "1|p1", "1|p2" } : QStringList()));
        vdb::Table* table = questions ? DataModule6->Table2 : DataModule6->Table1;
        QVERIFY(table->state() != vdb::State::Insert && table->state() != vdb::State::Edit);
        if (questions)
            QCOMPARE(table->recordCount(), 2);
    }
    void creationStepFailing()
    {
        // Re-edit's reading of the row fails: shown, and the dialog still comes up.
        ModoReedicion = 1;
        QVERIFY(QFile::remove(m_fixture->file("variables")));
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
            m_fixture->write(params = { "1|2|3|8|/antes" }, questions = { "1|vieja 1", "1|vieja 2" });

        m_questionDialogs = 0;
        answerParameters(passes, 0, cancel);
        // As "Crear Encuesta" opens it.
        ModoReedicion = 0;
        DataModule6->Table1->open();
        EdicionActual = DataModule6->Table1->recordCount() + 1;
        auto* dialog = new TForm2; // released with the fixture
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
            params << QStringLiteral("%1|%2|2|15|%3").arg(edition).arg(n).arg(m_fixture->work());
        for (int k = 1; !cancel && k <= n; ++k)
            questions << QString::number(edition) + '|' + text(passes.size(), k, n).left(70);
        QCOMPARE(m_fixture->parameters(kAllParameters), params);
        QCOMPARE(m_fixture->questions(), questions);
        QVERIFY(!DataModule6->Table2->active());
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
    QStringList stored() const { return m_fixture->parameters(kAllParameters); }
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
        whenModal([=, this](QWidget* modal) {
            const auto guard = closeIfLeftOpen(modal);
            auto* parameters = qobject_cast<TForm2*>(modal);
            QVERIFY2(parameters, qPrintable(modal->windowTitle()));
            // A user types into the dialog once it is the active window.
            QVERIFY(QTest::qWaitForWindowActive(parameters) && QTest::qWaitForWindowExposed(parameters));
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
                // Its group box, the buttons' left, the last row's label and field; only rows 1 to n shown.
                const auto at = [](QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); };
                const QSize box = questions->GroupBox1->size();
                QCOMPARE(
                    QStringList(
                        { at(questions->GroupBox1->pos()), QStringLiteral("%1x%2").arg(box.width()).arg(box.height()),
                            QString::number(questions->BitBtn1->x()), QString::number(questions->BitBtn2->x()),
                            at(questions->questionLabel(n)->pos()), at(questions->questionEdit(n)->pos()) })
                        .join(' '),
                    kLayouts.value(n));
                for (int k = 1; k <= kMaxQuestions; ++k)
                    QCOMPARE(
                        int(questions->questionEdit(k)->isVisible()) + int(questions->questionLabel(k)->isVisible()),
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
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestNewSurvey)
#include "tst_new_survey.moc"
