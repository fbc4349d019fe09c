// The new-survey dialog driven as a user drives it: the range rules of the
// number fields, the enabling of "Aceptar", re-edit, and "Cancelar"; what
// "Aceptar" stores is followed through the whole chain in tst_new_survey_chain.

#include "maintenance_fixture.h"

#include <QClipboard>

using namespace maintenance;

class TestNewSurveyDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }
    void init() { m_fixture = std::make_unique<Fixture>(); }
    void cleanup() { m_fixture.reset(); }

    void rangeRules_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        enum { QuestionsChange, QuestionsExit, IconsChange, IconsExit };
        const struct
        {
            int rule;
            const char* text;
            const char* result;
        } rows[] = { { QuestionsChange, "75", "50" }, { QuestionsChange, "51", "50" }, { QuestionsChange, "50", "50" },
            { QuestionsChange, "0", "1" }, { QuestionsChange, "00", "1" }, { QuestionsChange, "05", "05" },
            { QuestionsChange, "", "" }, { QuestionsExit, "", "1" }, { QuestionsExit, "05", "05" },
            { IconsChange, "13", "12" }, { IconsChange, "12", "12" }, { IconsChange, "0", "2" },
            { IconsChange, "1", "1" }, { IconsChange, "00", "00" }, { IconsChange, "02", "02" },
            { IconsChange, "", "" }, { IconsExit, "1", "2" }, { IconsExit, "00", "2" }, { IconsExit, "01", "2" },
            { IconsExit, "", "2" }, { IconsExit, "02", "02" }, { IconsExit, "7", "7" } };
        for (const auto& r : rows)
            QTest::addRow("rule %d '%s'", r.rule, r.text) << r.rule << QString(r.text) << QString(r.result);
    }
    void rangeRules()
    {
        QFETCH(int, rule);
        QFETCH(QString, text);
        QString (*const rules[])(const QString&)
            = { questionsAfterChange, questionsAfterExit, iconsAfterChange, iconsAfterExit };
        QTEST(rules[rule](text), "result");
        // The upper-limit reading never fails on what the fields can hold.
        QCOMPARE(limitValue(QString()), -99);
        QCOMPARE(limitValue(QStringLiteral("7")), -83);
        QVERIFY_THROWS_EXCEPTION(vdb::Error, integerValue(QStringLiteral("1a")));
    }
    void typingAndPasting_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("keys"); // typed, or the clipboard's text
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        // clang-format off
        QTest::newRow("05") << "Edit1" << false << "5<Home>0" << "05" << "05";
        QTest::newRow("emptied") << "Edit1" << false << "4<BS>" << "" << "1";
        QTest::newRow("letters signs blanks") << "Edit1" << false << "a-+ .3x" << "3" << "3";
        QTest::newRow("icons 1") << "Edit2" << false << "1" << "1" << "2";
        QTest::newRow("icons 02") << "Edit2" << false << "2<Home>0" << "02" << "02";
        QTest::newRow("count five digits") << "Edit4" << false << "x12345" << "1234" << "1234";
        // Pasting let letters into the fields once.
        QTest::newRow("paste mixed") << "Edit1" << true << "a1b2c3" << "12" << "12";
        QTest::newRow("paste letters") << "Edit1" << true << "abc" << "" << "1";
        QTest::newRow("paste icons 00") << "Edit2" << true << "0 0" << "00" << "2";
        // clang-format on
    }
    void typingAndPasting()
    {
        QFETCH(QString, field);
        QFETCH(bool, paste);
        QFETCH(QString, keys);
        auto dialog = openDialog();
        auto* edit = dialog->findChild<QLineEdit*>(field);
        QVERIFY(focusOn(edit));
        edit->selectAll();
        if (paste) {
            QApplication::clipboard()->setText(keys);
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        } else {
            typeKeys(edit, keys);
        }
        QTEST(edit->text(), "typed");
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_VERIFY(!edit->hasFocus());
        QTEST(edit->text(), "left");
    }
    void aceptarEnabling_data()
    {
        QTest::addColumn<QString>("order");
        QTest::newRow("count, then Enter to the lists") << "count first";
        QTest::newRow("the lists, then a count") << "lists first";
        QTest::newRow("the lists' directory typed by hand") << "typed";
    }
    void aceptarEnabling()
    {
        QFETCH(QString, order);
        auto dialog = openDialog();
        const QString work = m_fixture->work();
        QVERIFY(focusOn(dialog->Edit4));
        if (order == QLatin1String("count first")) {
            typeKeys(dialog->Edit4, QStringLiteral("5"));
            QVERIFY(!dialog->BitBtn1->isEnabled());
            typeKeys(dialog->Edit4, QStringLiteral("<Enter>"));
            QCOMPARE(dialog->Edit4->text(), QStringLiteral("5")); // Enter typed nothing
            QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
        } else if (order == QLatin1String("lists first")) {
            // Merely tabbing into the drive list shows the directory list and fills Edit3.
            typeKeys(dialog->Edit4, QStringLiteral("<Tab>"));
            QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
            QCOMPARE(dialog->Edit3->text(), work);
            QVERIFY(!dialog->BitBtn1->isEnabled());
            typeKeys(dialog->Edit4, QStringLiteral("3"));
        } else {
            typeKeys(dialog->Edit4, QStringLiteral("6"));
            QVERIFY(focusOn(dialog->Edit3));
            typeKeys(dialog->Edit3, work.chopped(1));
            QVERIFY(!dialog->BitBtn1->isEnabled());
            typeKeys(dialog->Edit3, work.right(1));
        }
        QCOMPARE(dialog->DirectoryListBox1->isVisible(), order != QLatin1String("typed"));
        QCOMPARE(dialog->Edit3->text(), work);
        QCOMPARE(DirIconos, work);
        QVERIFY(dialog->BitBtn1->isEnabled());
        // Another directory typed afterwards keeps it enabled and is not checked.
        dialog->Edit3->setText(QStringLiteral("C:\\no\\existe"));
        QCOMPARE(DirIconos, QStringLiteral("C:\\no\\existe"));
        QVERIFY(dialog->BitBtn1->isEnabled());
    }
    void emptiedCountDisablesAceptar()
    {
        auto dialog = openDialog();
        makeAceptarAvailable(dialog.get(), QStringLiteral("12"));
        QVERIFY(focusOn(dialog->Edit4));
        typeKeys(dialog->Edit4, QStringLiteral("<End><BS>"));
        QVERIFY(dialog->BitBtn1->isEnabled());
        typeKeys(dialog->Edit4, QStringLiteral("<BS>"));
        QVERIFY(!dialog->BitBtn1->isEnabled());
        // A count typed again brings "Aceptar" back without going to the lists.
        dialog->Edit3->setText(QStringLiteral("/otro"));
        typeKeys(dialog->Edit4, QStringLiteral("8"));
        QVERIFY(dialog->BitBtn1->isEnabled());
    }
    // Steps: a field given the focus as a click would, then keys typed into
    // whatever has the focus, in turn. A button that had the focus never
    // becomes the one Enter presses.
    void keysAfterTheFocusMoved_data()
    {
        QTest::addColumn<bool>("reEdit");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("edit1");
        QTest::addColumn<bool>("pressed"); // "Aceptar" pressed: the questions come
        using L = QStringList;
        QTest::newRow("typing over the first field") << false << L { "", "75" } << "50" << false;
        QTest::newRow("Enter in Edit3 after Aceptar had the focus")
            << false << L { "Edit3", "<tab><btab><enter>" } << "1" << false;
        QTest::newRow("re-edit: Enter in Edit3 after Cancelar had the focus")
            << true << L { "", "<btab><tab>", "Edit3", "<enter>" } << "5" << false;
        QTest::newRow("re-edit: Enter on the focused Aceptar")
            << true << L { "Edit3", "<tab><tab><btab><enter>" } << "5" << true;
    }
    void keysAfterTheFocusMoved()
    {
        QFETCH(bool, reEdit);
        QFETCH(QStringList, steps);
        QFETCH(bool, pressed);
        const QStringList before { "1|9|4|7|/primera", "2|5|12|1234|" + m_fixture->work() };
        m_fixture->write(before, {});
        ModoReedicion = reEdit ? 1 : 0;
        EdicionActual = reEdit ? 2 : 3;
        auto dialog = openDialog();
        if (!reEdit && !steps.first().isEmpty())
            makeAceptarAvailable(dialog.get());
        SeenQuestions seen;
        if (pressed)
            answerQuestions(&seen, {});
        QVERIFY(runAnswered(
            [&] {
                for (qsizetype i = 0; i + 1 < steps.size(); i += 2) {
                    if (!steps[i].isEmpty())
                        focusOn(dialog->findChild<QWidget*>(steps[i]));
                    typeKeys(nullptr, steps[i + 1]);
                }
            },
            2000));
        QTEST(dialog->Edit1->text(), "edit1");
        QCOMPARE(seen.seen, pressed);
        if (!pressed) {
            QVERIFY(dialog->isVisible());
            QCOMPARE(stored(), before);
            // Escape, and only Escape, is "Cancelar": re-edit then drops the row.
            typeKeys(nullptr, QStringLiteral("<esc>"));
            QCOMPARE(stored().size(), reEdit ? 1 : 2);
        }
    }
    void reEdit_data()
    {
        QTest::addColumn<bool>("workingDirectory");
        QTest::newRow("stored directory is the working directory") << true;
        QTest::newRow("another directory") << false;
    }
    void reEdit()
    {
        QFETCH(bool, workingDirectory);
        const QString directory = workingDirectory ? m_fixture->work() : QStringLiteral("/otra/parte");
        m_fixture->write({ "1|9|4|7|/primera", "2|5|12|1234|" + directory }, {});
        ModoReedicion = 1;
        EdicionActual = 2;
        auto dialog = openDialog();
        const QStringList shown { dialog->Edit1->text(), dialog->Edit2->text(), dialog->Edit4->text(), DirIconos };
        QCOMPARE(shown, (QStringList { "5", "12", "1234", directory }));
        // "Aceptar" is there at once when the lists stand on the stored directory.
        QCOMPARE(dialog->BitBtn1->isEnabled(), workingDirectory);
        if (!workingDirectory)
            return;
        QVERIFY(focusOn(dialog->Edit1));
        typeKeys(dialog->Edit1, QStringLiteral("<Home>0<Tab>"));
        QCOMPARE(dialog->Edit1->text(), QStringLiteral("05"));
        SeenQuestions seen;
        answerQuestions(&seen, {});
        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        QCOMPARE(seen.count, 5);
        QCOMPARE(stored(), (QStringList { "1|9|4|7|/primera", "2|5|12|1234|" + directory }));
    }
    void cancel_data()
    {
        QTest::addColumn<bool>("reEdit");
        QTest::newRow("new survey: nothing written") << false;
        QTest::newRow("re-edit: the last row deleted") << true;
    }
    void cancel()
    {
        QFETCH(bool, reEdit);
        m_fixture->write({ "1|9|4|7|/primera", "2|5|3|20|/x" }, {});
        ModoReedicion = reEdit ? 1 : 0;
        TForm2 dialog;
        whenModal([](QWidget* modal) {
            LeftOpenGuard guard(modal);
            auto* d = qobject_cast<TForm2*>(modal);
            typeKeys(d->Edit4, QStringLiteral("5<Esc>")); // Escape presses "Cancelar"
        });
        QCOMPARE(dialog.showModal(), int(vui::mrCancel));
        QVERIFY(!dialog.isVisible());
        const QStringList after = reEdit ? QStringList { "1|/primera" } : QStringList { "1|/primera", "2|/x" };
        QCOMPARE(m_fixture->parameters(), after);
        QVERIFY(!DataModule6->Table1->active());
    }
    void storeErrorAtAceptar()
    {
        // An edition beyond the 16-bit field fails at the post.
        EdicionActual = 40000;
        TForm2 dialog;
        whenModal([](QWidget* modal) {
            LeftOpenGuard guard(modal);
            auto* d = qobject_cast<TForm2*>(modal);
            makeAceptarAvailable(d);
            // The error box comes instead of the questions.
            whenModal([](QWidget* box) {
                LeftOpenGuard guard(box);
                findButton(box, QStringLiteral("OK"))->click();
            });
            d->BitBtn1->click();
        });
        QCOMPARE(dialog.showModal(), int(vui::mrOk));
        QCOMPARE(lastModalText(),
            QStringLiteral("40000 is not a valid value for field 'Edicion'. The allowed range is -32768 to 32767"));
        QVERIFY(stored().isEmpty());
        // The failed row is not left pending: the next command can use the table.
        vdb::Table* table = DataModule6->Table1;
        QVERIFY(table->state() != vdb::State::Insert && table->state() != vdb::State::Edit);
    }
    void creationSteps()
    {
        // Made at start-up: no creation step runs.
        m_fixture->write({ "1|9|4|7|/x" }, {});
        ModoReedicion = 1;
        NumPreguntas = 30;
        TForm2 parameters(nullptr, false);
        TForm3 questions(nullptr, false);
        QVERIFY(!DataModule6->Table1->active());
        QCOMPARE(parameters.Edit1->text(), QStringLiteral("1"));
        QCOMPARE(questions.questionCount(), 0);
        // A creation step that fails is shown, and the dialog still comes up.
        QVERIFY(QFile::remove(m_fixture->file(QStringLiteral("variables.DB"))));
        pressOnModal(QStringLiteral("OK"));
        auto dialog = openDialog();
        QVERIFY(lastModalText().contains(QStringLiteral("variables.DB")));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Edit3->text(), QString());
    }

private:
    std::unique_ptr<TForm2> openDialog()
    {
        auto dialog = std::make_unique<TForm2>();
        dialog->setWindowTitle(QStringLiteral(" Vesmarin - Edicion de Encuesta"));
        if (!showActive(dialog.get()))
            qWarning("the dialog did not become active");
        return dialog;
    }
    // Types an icon count and takes the directory from the lists with Enter.
    static void makeAceptarAvailable(TForm2* dialog, const QString& count = QStringLiteral("5"))
    {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->Edit4->setFocus(Qt::TabFocusReason);
        typeKeys(dialog->Edit4, count + QStringLiteral("<Enter>"));
        QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
    }
    QStringList stored() const { return m_fixture->parameters(kAllParameters); }
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestNewSurveyDialog)
#include "tst_new_survey_dialog.moc"
