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

    // Keys typed over the selected text of a field, or a pasted text ("^v "
    // then the clipboard's text); the text once typed and once the field is left.
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
            { "Edit1", "5<Home>0", "05", "05" }, { "Edit1", "4<BS>", "", "1" }, { "Edit1", "a-+ .3x", "3", "3" },
            { "Edit1", "49<Up><Up>", "50", "50" }, { "Edit1", "2<Down><Down>", "1", "1" },
            { "Edit1", "^v a1b2c3", "12", "12" }, { "Edit1", "^v abc", "", "1" },
            { "Edit2", "13", "12", "12" }, { "Edit2", "12", "12", "12" }, { "Edit2", "7", "7", "7" },
            { "Edit2", "2", "2", "2" }, { "Edit2", "0", "2", "2" }, { "Edit2", "1", "1", "2" },
            { "Edit2", "1<Home>0", "01", "2" }, { "Edit2", "^v 0 0", "00", "2" }, { "Edit2", "2<Home>0", "02", "02" },
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
            typeKeys(dialog->Edit4, QStringLiteral("12"));
            QVERIFY(!dialog->BitBtn1->isEnabled());
            typeKeys(dialog->Edit4, QStringLiteral("<Enter>"));
            QCOMPARE(dialog->Edit4->text(), QStringLiteral("12")); // Enter typed nothing
            QTRY_VERIFY_WITH_TIMEOUT(dialog->DriveComboBox1->hasFocus(), 2000);
        } else if (order == QLatin1String("lists first")) {
            // Merely tabbing into the drive list shows the directory list and fills Edit3.
            typeKeys(dialog->Edit4, QStringLiteral("<Tab>"));
            QTRY_VERIFY_WITH_TIMEOUT(dialog->DriveComboBox1->hasFocus(), 2000);
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
        QCOMPARE(DirIconos, work);
        QVERIFY(dialog->BitBtn1->isEnabled());
        // Another directory typed afterwards keeps it enabled and is not checked.
        dialog->Edit3->setText(QStringLiteral("C:\\no\\existe"));
        QCOMPARE(DirIconos, QStringLiteral("C:\\no\\existe"));
        QVERIFY(dialog->BitBtn1->isEnabled());
        // Only an emptied count takes it away; a count typed again brings it back.
        QVERIFY(focusOn(dialog->Edit4));
        typeKeys(dialog->Edit4, QStringLiteral("<End><BS>"));
        QCOMPARE(dialog->BitBtn1->isEnabled(), !dialog->Edit4->text().isEmpty());
        typeKeys(dialog->Edit4, QStringLiteral("<BS>"));
        QVERIFY(!dialog->BitBtn1->isEnabled());
        typeKeys(dialog->Edit4, QStringLiteral("8"));
        QVERIFY(dialog->BitBtn1->isEnabled());
    }
    // Steps: a field given the focus as a click would, then keys typed into
    // whatever has the focus, in turn. A button that had the focus never
    // becomes the one Enter presses. Escape, and only Escape, is "Cancelar".
    // Re-edit starts from the last row, whose directory is the working one
    // unless the row gives another.
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
        auto rows = std::make_shared<int>(0);
        if (pressed)
            whenModal([rows](QWidget* modal) {
                const auto guard = closeIfLeftOpen(modal);
                *rows = qobject_cast<TForm3*>(modal)->questionCount();
                findButton(modal, QStringLiteral("Aceptar"))->click();
            });
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
        QCOMPARE(*rows, pressed ? 5 : 0);
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
    void storeErrorAtAceptar()
    {
        // An edition beyond the 16-bit field fails at the post.
        EdicionActual = 40000;
        TForm2 dialog;
        const int result = showAnswered(&dialog, [](QWidget* modal) {
            auto* d = qobject_cast<TForm2*>(modal);
            makeAceptarAvailable(d);
            pressOnModal(QStringLiteral("OK")); // the error box comes instead of the questions
            d->BitBtn1->click();
        });
        QCOMPARE(result, int(vui::mrOk));
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
        std::unique_ptr<TForm2> dialog;
        QVERIFY(runAnswered([&] { dialog = openDialog(); }));
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
    static void makeAceptarAvailable(TForm2* dialog)
    {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        dialog->Edit4->setFocus(Qt::TabFocusReason);
        typeKeys(dialog->Edit4, QStringLiteral("5<Enter>"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog->DriveComboBox1->hasFocus(), 2000);
    }
    QStringList stored() const { return m_fixture->parameters(kAllParameters); }
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestNewSurveyDialog)
#include "tst_new_survey_dialog.moc"
