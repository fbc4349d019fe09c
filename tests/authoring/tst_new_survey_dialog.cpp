// The new-survey dialog driven as a user drives it: the range rules of the
// number fields, the directory lists, the enabling of "Aceptar", and what
// "Aceptar" and "Cancelar" leave in the parameter table.

#include "tst_new_survey_fixture.h"

#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QToolButton>

using namespace survey_testing;
using testing_support::findButton;
using testing_support::pressOnModal;

class TestNewSurveyDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void startState();
    void rangeRules_data();
    void rangeRules();
    void typingIntoNumberFields_data();
    void typingIntoNumberFields();
    void pastingKeepsDigits_data();
    void pastingKeepsDigits();
    void upDownControls();
    void focusOrder();
    void enterInIconCountGoesToTheDriveList();
    void directoryFirstThenCount();
    void emptiedCountDisablesAceptar();
    void typedDirectoryIsStoredAsTyped();
    void directoryListMovesEdit3AndWorkingDirectory();
    void enterPressesAceptarOnlyWhenFocused();
    void aceptarStoresTheRow_data();
    void aceptarStoresTheRow();
    void reEditPrefill();
    void reEditPrefillWithAnotherDirectory();
    void reEditAceptarOverwritesTheLastRow();
    void reEditCancelDeletesTheLastRow();
    void newSurveyCancelWritesNothing();
    void storeErrorAtAceptar();
    void creationErrorStillGivesTheDialog();
    void globalInstanceRunsNoCreationStep();

private:
    std::unique_ptr<TForm2> openDialog();
    void makeAceptarAvailable(TForm2* dialog, const QString& count = QStringLiteral("5"));
    std::unique_ptr<Fixture> m_fixture;
};

void TestNewSurveyDialog::initTestCase()
{
    vui::installFontSubstitutions();
}

void TestNewSurveyDialog::init()
{
    m_fixture = std::make_unique<Fixture>();
}

void TestNewSurveyDialog::cleanup()
{
    m_fixture.reset();
}

std::unique_ptr<TForm2> TestNewSurveyDialog::openDialog()
{
    auto dialog = std::make_unique<TForm2>();
    dialog->setWindowTitle(QStringLiteral(" Vesmarin - Edicion de Encuesta"));
    if (!showActive(dialog.get()))
        qWarning("the dialog did not become active");
    return dialog;
}

// Takes the directory from the lists and types an icon count.
void TestNewSurveyDialog::makeAceptarAvailable(TForm2* dialog, const QString& count)
{
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->Edit4, count);
    QTest::keyClick(dialog->Edit4, Qt::Key_Return);
    QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
}

void TestNewSurveyDialog::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label10") << "Label10" << QRect(85, 8, 348, 20) << "INTRODUZCA LOS VALORES DE LA NUEVA ENCUESTA";
    QTest::newRow("Label1") << "Label1" << QRect(16, 56, 298, 20) << "¿Cuantas preguntas va a contener el programa?";
    QTest::newRow("Edit1") << "Edit1" << QRect(336, 48, 41, 28) << "1";
    QTest::newRow("UpDown1") << "UpDown1" << QRect(377, 48, 15, 28) << "";
    QTest::newRow("Label2") << "Label2" << QRect(16, 112, 247, 20) << "¿Cuantos Iconos quieres por pregunta?";
    QTest::newRow("Edit2") << "Edit2" << QRect(336, 104, 41, 28) << "2";
    QTest::newRow("UpDown2") << "UpDown2" << QRect(377, 104, 15, 28) << "";
    QTest::newRow("Label3") << "Label3" << QRect(16, 168, 154, 20) << "¿Cuantos Iconos tienes?";
    QTest::newRow("Edit4") << "Edit4" << QRect(336, 160, 57, 28) << "";
    QTest::newRow("Label4") << "Label4" << QRect(16, 216, 345, 20)
                            << "¿Cual es la dirección en que se encuentran los iconos?";
    QTest::newRow("Edit3") << "Edit3" << QRect(24, 256, 329, 28) << "";
    QTest::newRow("DriveComboBox1") << "DriveComboBox1" << QRect(376, 216, 145, 22) << "";
    QTest::newRow("DirectoryListBox1") << "DirectoryListBox1" << QRect(376, 240, 145, 97) << "";
    QTest::newRow("BitBtn1") << "BitBtn1" << QRect(440, 48, 75, 25) << "Aceptar";
    QTest::newRow("BitBtn2") << "BitBtn2" << QRect(440, 96, 75, 25) << "Cancelar";
}

void TestNewSurveyDialog::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    TForm2 dialog;
    auto* widget = dialog.findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        QCOMPARE(edit->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        QCOMPARE(button->text(), text);
    if (name.startsWith(QLatin1String("Label")) || name.startsWith(QLatin1String("Edit"))) {
        QCOMPARE(widget->font().family(), QStringLiteral("Arial Narrow"));
        QVERIFY(widget->font().bold());
    }
    if (name.startsWith(QLatin1String("Dr")) || name.startsWith(QLatin1String("Di"))) {
        QCOMPARE(widget->font().family(), QStringLiteral("Arial Narrow"));
        QVERIFY(!widget->font().bold());
    }
}

void TestNewSurveyDialog::startState()
{
    auto dialog = openDialog();
    QCOMPARE(dialog->size(), QSize(544, 375));
    QCOMPARE(dialog->Edit1->maxLength(), 2);
    QCOMPARE(dialog->Edit2->maxLength(), 2);
    QCOMPARE(dialog->Edit4->maxLength(), 4);
    QVERIFY(dialog->Edit3->maxLength() > 255);
    QVERIFY(!dialog->DirectoryListBox1->isVisible());
    QCOMPARE(dialog->DirectoryListBox1->directory(), m_fixture->work());
    QCOMPARE(dialog->DriveComboBox1->drive(), vui::rootOf(m_fixture->work(), vui::mountedRoots()));
    QVERIFY(!dialog->BitBtn1->isEnabled());
    QVERIFY(!dialog->BitBtn1->isDefault());
    QCOMPARE(dialog->BitBtn1->modalResult(), int(vui::mrOk));
    QCOMPARE(dialog->BitBtn2->kind(), vui::BitBtn::Cancel);
    QCOMPARE(dialog->UpDown1->minimum(), 1);
    QCOMPARE(dialog->UpDown1->maximum(), 50);
    QCOMPARE(dialog->UpDown2->minimum(), 2);
    QCOMPARE(dialog->UpDown2->maximum(), 12);
    QTRY_VERIFY(dialog->Edit1->hasFocus());
    // A new survey opens no table.
    QVERIFY(!DataModule6->Table1->active());
}

void TestNewSurveyDialog::rangeRules_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("questions 75") << "questions change"
                                  << "75"
                                  << "50";
    QTest::newRow("questions 51") << "questions change"
                                  << "51"
                                  << "50";
    QTest::newRow("questions 50") << "questions change"
                                  << "50"
                                  << "50";
    QTest::newRow("questions 0") << "questions change"
                                 << "0"
                                 << "1";
    QTest::newRow("questions 00") << "questions change"
                                  << "00"
                                  << "1";
    QTest::newRow("questions 05") << "questions change"
                                  << "05"
                                  << "05";
    QTest::newRow("questions 7") << "questions change"
                                 << "7"
                                 << "7";
    QTest::newRow("questions empty") << "questions change"
                                     << ""
                                     << "";
    QTest::newRow("questions left empty") << "questions exit"
                                          << ""
                                          << "1";
    QTest::newRow("questions left 05") << "questions exit"
                                       << "05"
                                       << "05";
    QTest::newRow("icons 13") << "icons change"
                              << "13"
                              << "12";
    QTest::newRow("icons 99") << "icons change"
                              << "99"
                              << "12";
    QTest::newRow("icons 12") << "icons change"
                              << "12"
                              << "12";
    QTest::newRow("icons 0") << "icons change"
                             << "0"
                             << "2";
    QTest::newRow("icons 1") << "icons change"
                             << "1"
                             << "1";
    QTest::newRow("icons 00") << "icons change"
                              << "00"
                              << "00";
    QTest::newRow("icons 01") << "icons change"
                              << "01"
                              << "01";
    QTest::newRow("icons 02") << "icons change"
                              << "02"
                              << "02";
    QTest::newRow("icons empty") << "icons change"
                                 << ""
                                 << "";
    QTest::newRow("icons left 1") << "icons exit"
                                  << "1"
                                  << "2";
    QTest::newRow("icons left 00") << "icons exit"
                                   << "00"
                                   << "2";
    QTest::newRow("icons left 01") << "icons exit"
                                   << "01"
                                   << "2";
    QTest::newRow("icons left empty") << "icons exit"
                                      << ""
                                      << "2";
    QTest::newRow("icons left 02") << "icons exit"
                                   << "02"
                                   << "02";
    QTest::newRow("icons left 7") << "icons exit"
                                  << "7"
                                  << "7";
}

void TestNewSurveyDialog::rangeRules()
{
    QFETCH(QString, rule);
    QFETCH(QString, text);
    QFETCH(QString, result);
    if (rule == QLatin1String("questions change"))
        QCOMPARE(questionsAfterChange(text), result);
    else if (rule == QLatin1String("questions exit"))
        QCOMPARE(questionsAfterExit(text), result);
    else if (rule == QLatin1String("icons change"))
        QCOMPARE(iconsAfterChange(text), result);
    else
        QCOMPARE(iconsAfterExit(text), result);
    // The upper-limit reading never fails on what the fields can hold.
    QCOMPARE(limitValue(QString()), -99);
    QCOMPARE(limitValue(QStringLiteral("7")), -83);
    QCOMPARE(limitValue(QStringLiteral("75")), 75);
    QVERIFY_THROWS_EXCEPTION(vdb::Error, integerValue(QStringLiteral("1a")));
}

void TestNewSurveyDialog::typingIntoNumberFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("7 then 5") << "Edit1"
                              << "75"
                              << "50"
                              << "50";
    QTest::newRow("0") << "Edit1"
                       << "0"
                       << "1"
                       << "1";
    QTest::newRow("05") << "Edit1"
                        << "5<Home>0"
                        << "05"
                        << "05";
    QTest::newRow("emptied") << "Edit1"
                             << "4<BS>"
                             << ""
                             << "1";
    QTest::newRow("letters signs blanks") << "Edit1"
                                          << "a-+ .3x"
                                          << "3"
                                          << "3";
    QTest::newRow("delete key") << "Edit1"
                                << "12<Home><Del>"
                                << "2"
                                << "2";
    QTest::newRow("13") << "Edit2"
                        << "13"
                        << "12"
                        << "12";
    QTest::newRow("icons 0") << "Edit2"
                             << "0"
                             << "2"
                             << "2";
    QTest::newRow("icons 1") << "Edit2"
                             << "1"
                             << "1"
                             << "2";
    QTest::newRow("icons 01") << "Edit2"
                              << "1<Home>0"
                              << "01"
                              << "2";
    QTest::newRow("icons 02") << "Edit2"
                              << "2<Home>0"
                              << "02"
                              << "02";
    QTest::newRow("icons emptied") << "Edit2"
                                   << "5<BS>"
                                   << ""
                                   << "2";
    QTest::newRow("icons letters") << "Edit2"
                                   << "b9-"
                                   << "9"
                                   << "9";
    QTest::newRow("count 0") << "Edit4"
                             << "0"
                             << "0"
                             << "0";
    QTest::newRow("count five digits") << "Edit4"
                                       << "12345"
                                       << "1234"
                                       << "1234";
    QTest::newRow("count letters") << "Edit4"
                                   << "x 9,-"
                                   << "9"
                                   << "9";
}

void TestNewSurveyDialog::typingIntoNumberFields()
{
    QFETCH(QString, field);
    QFETCH(QString, script);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    auto dialog = openDialog();
    auto* edit = dialog->findChild<QLineEdit*>(field);
    edit->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    typeScript(edit, script);
    QCOMPARE(edit->text(), typed);
    // Leaving the field, as Tab does.
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(!edit->hasFocus());
    QCOMPARE(edit->text(), left);
}

void TestNewSurveyDialog::pastingKeepsDigits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("left");
    QTest::newRow("questions mixed") << "Edit1"
                                     << "a1b2c3"
                                     << "12"
                                     << "12";
    QTest::newRow("questions 99") << "Edit1"
                                  << "9x9"
                                  << "50"
                                  << "50";
    QTest::newRow("questions 00") << "Edit1"
                                  << "00"
                                  << "1"
                                  << "1";
    QTest::newRow("questions letters") << "Edit1"
                                       << "abc"
                                       << ""
                                       << "1";
    QTest::newRow("icons 00") << "Edit2"
                              << "0 0"
                              << "00"
                              << "2";
    QTest::newRow("icons -7") << "Edit2"
                              << "-7"
                              << "7"
                              << "7";
    QTest::newRow("count") << "Edit4"
                           << "x12345"
                           << "1234"
                           << "1234";
}

void TestNewSurveyDialog::pastingKeepsDigits()
{
    QFETCH(QString, field);
    QFETCH(QString, clipboard);
    QFETCH(QString, pasted);
    QFETCH(QString, left);
    auto dialog = openDialog();
    auto* edit = dialog->findChild<QLineEdit*>(field);
    edit->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QApplication::clipboard()->setText(clipboard);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), pasted);
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(!edit->hasFocus());
    QCOMPARE(edit->text(), left);
}

void TestNewSurveyDialog::upDownControls()
{
    auto dialog = openDialog();
    for (int i = 0; i < 55; ++i)
        QTest::mouseClick(dialog->UpDown1->upButton(), Qt::LeftButton);
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("50"));
    for (int i = 0; i < 55; ++i)
        QTest::mouseClick(dialog->UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("1"));

    dialog->Edit1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit1->hasFocus());
    typeScript(dialog->Edit1, QStringLiteral("<Up><Up><Up>"));
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("4"));
    typeScript(dialog->Edit1, QStringLiteral("<Down>"));
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("3"));

    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(dialog->UpDown2->upButton(), Qt::LeftButton);
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("12"));
    dialog->Edit2->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit2->hasFocus());
    for (int i = 0; i < 15; ++i)
        typeScript(dialog->Edit2, QStringLiteral("<Down>"));
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("2"));
    // The arrows take no focus away from the field.
    QTest::mouseClick(dialog->UpDown2->upButton(), Qt::LeftButton);
    QVERIFY(dialog->Edit2->hasFocus());
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("3"));
}

void TestNewSurveyDialog::focusOrder()
{
    auto dialog = openDialog();
    QTRY_VERIFY(dialog->Edit1->hasFocus());
    const QList<QWidget*> order { dialog->Edit2, dialog->Edit4, dialog->DriveComboBox1, dialog->DirectoryListBox1,
        dialog->Edit3, dialog->BitBtn2, dialog->Edit1 };
    // "Aceptar" is skipped while disabled; the directory list is shown by
    // the time the focus leaves the drive list.
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClicks(dialog->Edit1, "");
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->Edit4, "7");
    QVERIFY(dialog->BitBtn1->isEnabled());
    dialog->Edit3->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog->Edit3, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), dialog->BitBtn1);
    QTest::keyClick(dialog->BitBtn1, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), dialog->BitBtn2);
}

void TestNewSurveyDialog::enterInIconCountGoesToTheDriveList()
{
    auto dialog = openDialog();
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit4->hasFocus());
    QTest::keyClicks(dialog->Edit4, "5");
    QVERIFY(!dialog->BitBtn1->isEnabled());
    QTest::keyClick(dialog->Edit4, Qt::Key_Return);
    QCOMPARE(dialog->Edit4->text(), QStringLiteral("5")); // Enter typed nothing
    QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
    QVERIFY(dialog->DirectoryListBox1->isVisible());
    QCOMPARE(dialog->Edit3->text(), m_fixture->work());
    QCOMPARE(DirIconos, m_fixture->work());
    QVERIFY(dialog->BitBtn1->isEnabled());

    // Enter in the drive list goes on to the directory list.
    QTest::keyClick(dialog->DriveComboBox1, Qt::Key_Return);
    QTRY_VERIFY(dialog->DirectoryListBox1->hasFocus());
    // Enter in Edit1 and Edit2 goes on as well.
    dialog->Edit1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog->Edit1, Qt::Key_Return);
    QTRY_VERIFY(dialog->Edit2->hasFocus());
    QTest::keyClick(dialog->Edit2, Qt::Key_Return);
    QTRY_VERIFY(dialog->Edit4->hasFocus());
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("1"));
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("2"));
}

void TestNewSurveyDialog::directoryFirstThenCount()
{
    auto dialog = openDialog();
    // Merely tabbing into the drive list shows the directory list and fills Edit3.
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit4->hasFocus());
    QTest::keyClick(dialog->Edit4, Qt::Key_Tab);
    QTRY_VERIFY(dialog->DriveComboBox1->hasFocus());
    QVERIFY(dialog->DirectoryListBox1->isVisible());
    QCOMPARE(dialog->Edit3->text(), m_fixture->work());
    QVERIFY(!dialog->BitBtn1->isEnabled());

    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->Edit4, "3");
    QVERIFY(dialog->BitBtn1->isEnabled());
}

void TestNewSurveyDialog::emptiedCountDisablesAceptar()
{
    auto dialog = openDialog();
    makeAceptarAvailable(dialog.get(), QStringLiteral("12"));
    QVERIFY(dialog->BitBtn1->isEnabled());
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit4->hasFocus());
    typeScript(dialog->Edit4, QStringLiteral("<End><BS>"));
    QVERIFY(dialog->BitBtn1->isEnabled());
    typeScript(dialog->Edit4, QStringLiteral("<BS>"));
    QVERIFY(!dialog->BitBtn1->isEnabled());
    // A count typed again brings "Aceptar" back without going to the lists.
    dialog->Edit3->setText(QStringLiteral("/otro"));
    QTest::keyClicks(dialog->Edit4, "8");
    QVERIFY(dialog->BitBtn1->isEnabled());
}

void TestNewSurveyDialog::typedDirectoryIsStoredAsTyped()
{
    auto dialog = openDialog();
    // The list's directory typed by hand enables "Aceptar" as well.
    dialog->Edit4->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(dialog->Edit4, "6");
    dialog->Edit3->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit3->hasFocus());
    const QString work = m_fixture->work();
    QTest::keyClicks(dialog->Edit3, work.chopped(1));
    QVERIFY(!dialog->BitBtn1->isEnabled());
    QTest::keyClicks(dialog->Edit3, work.right(1));
    QVERIFY(dialog->BitBtn1->isEnabled());

    // A different text typed afterwards leaves it enabled and is stored; a
    // directory that does not exist is not checked.
    dialog->Edit3->selectAll();
    QTest::keyClicks(dialog->Edit3, "C:\\no\\existe");
    QCOMPARE(DirIconos, QStringLiteral("C:\\no\\existe"));
    QVERIFY(dialog->BitBtn1->isEnabled());

    SeenQuestions seen;
    answerQuestions(&seen, {});
    QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    QVERIFY(seen.seen);
    const Rows rows = storedRows(variablesTable());
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], (QStringList { "1", "1", "2", "6", "C:\\no\\existe" }));

    // A directory text longer than the field is cut to 255 characters.
    auto second = openDialog();
    EdicionActual = 2;
    makeAceptarAvailable(second.get());
    second->Edit3->setText(QString(300, QLatin1Char('d')));
    answerQuestions(&seen, {});
    QTest::mouseClick(second->BitBtn1, Qt::LeftButton);
    QCOMPARE(storedRows(variablesTable()).at(1).at(4), QString(255, QLatin1Char('d')));
}

void TestNewSurveyDialog::directoryListMovesEdit3AndWorkingDirectory()
{
    auto dialog = openDialog();
    makeAceptarAvailable(dialog.get());
    QListWidget* list = dialog->DirectoryListBox1;
    const QList<QListWidgetItem*> found = list->findItems(QStringLiteral("iconos"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());
    list->setCurrentItem(found.first());
    QTest::keyClick(list, Qt::Key_Return);
    const QString iconos = m_fixture->work() + QStringLiteral("/iconos");
    QCOMPARE(dialog->DirectoryListBox1->directory(), iconos);
    QCOMPARE(QDir::currentPath(), iconos);
    QCOMPARE(dialog->Edit3->text(), iconos);
    QCOMPARE(DirIconos, iconos);
    QVERIFY(dialog->BitBtn1->isEnabled());

    // A double click on the parent goes back up.
    list->scrollToTop();
    const QList<QListWidgetItem*> parent = list->findItems(QFileInfo(m_fixture->work()).fileName(), Qt::MatchExactly);
    QCOMPARE(parent.size(), 1);
    list->scrollToItem(parent.first());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(parent.first()).center());
    QCOMPARE(dialog->Edit3->text(), m_fixture->work());
    QCOMPARE(QDir::currentPath(), m_fixture->work());

    // A new dialog's lists start where the last one left the process.
    list->setCurrentItem(list->findItems(QStringLiteral("iconos"), Qt::MatchExactly).first());
    QTest::keyClick(list, Qt::Key_Return);
    TForm2 next;
    QCOMPARE(next.DirectoryListBox1->directory(), iconos);
}

void TestNewSurveyDialog::enterPressesAceptarOnlyWhenFocused()
{
    auto dialog = openDialog();
    makeAceptarAvailable(dialog.get());
    dialog->Edit3->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit3->hasFocus());
    QTest::keyClick(dialog->Edit3, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY(dialog->isVisible());
    QVERIFY(!shownDialog<TForm3>());
    QCOMPARE(storedRows(variablesTable()).size(), 0);

    dialog->BitBtn1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->BitBtn1->hasFocus());
    SeenQuestions seen;
    answerQuestions(&seen, {});
    QTest::keyClick(dialog->BitBtn1, Qt::Key_Return);
    QVERIFY(seen.seen);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(storedRows(variablesTable()).size(), 1);
}

void TestNewSurveyDialog::aceptarStoresTheRow_data()
{
    QTest::addColumn<int>("rowsBefore");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QSize>("questionSize");
    QTest::newRow("empty table, 1 question") << 0 << 1 << QSize(544, 375);
    QTest::newRow("empty table, 25 questions") << 0 << 25 << QSize(544, 375);
    QTest::newRow("two surveys, 26 questions") << 2 << 26 << QSize(810, 492);
    QTest::newRow("two surveys, 50 questions") << 2 << 50 << QSize(810, 492);
}

void TestNewSurveyDialog::aceptarStoresTheRow()
{
    QFETCH(int, rowsBefore);
    QFETCH(int, questions);
    QFETCH(QSize, questionSize);
    for (int e = 1; e <= rowsBefore; ++e)
        addParameterRow(e, 3, 4, 10, QStringLiteral("/iconos%1").arg(e));
    EdicionActual = rowsBefore + 1;

    auto dialog = openDialog();
    dialog->Edit1->selectAll();
    QTest::keyClicks(dialog->Edit1, QByteArray::number(questions));
    dialog->Edit2->selectAll();
    QTest::keyClicks(dialog->Edit2, "6");
    makeAceptarAvailable(dialog.get(), QStringLiteral("40"));
    SeenQuestions seen;
    answerQuestions(&seen, {});
    QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);

    QVERIFY(seen.seen);
    QCOMPARE(seen.caption, QStringLiteral("Vesmarin - Inserta Tus Preguntas ...."));
    QCOMPARE(seen.size, questionSize);
    QCOMPARE(seen.count, questions);
    QVERIFY(seen.openerHidden);
    QCOMPARE(NumPreguntas, questions);
    QVERIFY(!dialog->isVisible());
    QVERIFY(!DataModule6->Table1->active());

    const Rows rows = storedRows(variablesTable());
    QCOMPARE(rows.size(), rowsBefore + 1);
    for (int e = 1; e <= rowsBefore; ++e)
        QCOMPARE(rows[e - 1].at(0), QString::number(e));
    QCOMPARE(rows.last(),
        (QStringList { QString::number(rowsBefore + 1), QString::number(questions), "6", "40", m_fixture->work() }));
}

void TestNewSurveyDialog::reEditPrefill()
{
    addParameterRow(1, 9, 4, 7, QStringLiteral("/primera"));
    addParameterRow(2, 5, 3, 20, m_fixture->work());
    ModoReedicion = 1;
    EdicionActual = 2;
    auto dialog = openDialog();
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("5"));
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("3"));
    QCOMPARE(dialog->Edit4->text(), QStringLiteral("20"));
    QCOMPARE(dialog->Edit3->text(), m_fixture->work());
    QCOMPARE(DirIconos, m_fixture->work());
    QVERIFY(dialog->BitBtn1->isEnabled());
    QVERIFY(DataModule6->Table1->active());
    QCOMPARE(DataModule6->Table1->state(), vdb::State::Browse);
}

void TestNewSurveyDialog::reEditPrefillWithAnotherDirectory()
{
    addParameterRow(1, 50, 12, 1234, QStringLiteral("/otra/parte"));
    ModoReedicion = 1;
    auto dialog = openDialog();
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("50"));
    QCOMPARE(dialog->Edit2->text(), QStringLiteral("12"));
    QCOMPARE(dialog->Edit4->text(), QStringLiteral("1234"));
    QCOMPARE(dialog->Edit3->text(), QStringLiteral("/otra/parte"));
    QVERIFY(!dialog->BitBtn1->isEnabled());
}

void TestNewSurveyDialog::reEditAceptarOverwritesTheLastRow()
{
    addParameterRow(1, 9, 4, 7, QStringLiteral("/primera"));
    addParameterRow(2, 5, 3, 20, m_fixture->work());
    ModoReedicion = 1;
    EdicionActual = 2;
    auto dialog = openDialog();
    dialog->Edit1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(dialog->Edit1->hasFocus());
    typeScript(dialog->Edit1, QStringLiteral("<Home>0<Tab>"));
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("05"));
    SeenQuestions seen;
    answerQuestions(&seen, {});
    QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    QCOMPARE(seen.count, 5);
    const Rows rows = storedRows(variablesTable());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], (QStringList { "1", "9", "4", "7", "/primera" }));
    QCOMPARE(rows[1], (QStringList { "2", "5", "3", "20", m_fixture->work() }));
}

void TestNewSurveyDialog::reEditCancelDeletesTheLastRow()
{
    addParameterRow(1, 9, 4, 7, QStringLiteral("/primera"));
    addParameterRow(2, 5, 3, 20, m_fixture->work());
    ModoReedicion = 1;
    EdicionActual = 2;
    TForm2 dialog;
    int result = -1;
    testing_support::whenModal([](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm2*>(modal);
        QTest::keyClick(d->Edit1, Qt::Key_Escape); // Escape presses "Cancelar"
    });
    result = dialog.showModal();
    QCOMPARE(result, int(vui::mrCancel));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedRows(variablesTable()), (Rows { { "1", "9", "4", "7", "/primera" } }));
    QVERIFY(!DataModule6->Table1->active());
}

void TestNewSurveyDialog::newSurveyCancelWritesNothing()
{
    addParameterRow(1, 9, 4, 7, QStringLiteral("/primera"));
    EdicionActual = 2;
    TForm2 dialog;
    testing_support::whenModal([](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm2*>(modal);
        QTest::keyClicks(d->Edit4, "5");
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    QCOMPARE(dialog.showModal(), int(vui::mrCancel));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedRows(variablesTable()).size(), 1);
}

void TestNewSurveyDialog::storeErrorAtAceptar()
{
    // An edition beyond the 16-bit field fails at the post.
    EdicionActual = 40000;
    TForm2 dialog;
    bool questionsShown = false;
    testing_support::whenModal([this, &questionsShown](QWidget* modal) {
        LeftOpenGuard guard(modal);
        auto* d = qobject_cast<TForm2*>(modal);
        makeAceptarAvailable(d);
        testing_support::whenModal([&questionsShown](QWidget* box) {
            LeftOpenGuard guard(box);
            questionsShown = qobject_cast<TForm3*>(box) != nullptr;
            if (auto* ok = findButton(box, QStringLiteral("OK")))
                ok->click();
        });
        d->BitBtn1->click();
    });
    QCOMPARE(dialog.showModal(), int(vui::mrOk));
    QVERIFY(!questionsShown);
    QCOMPARE(testing_support::lastModalText(),
        QStringLiteral("40000 is not a valid value for field 'Edicion'. The allowed range is -32768 to 32767"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(storedRows(variablesTable()).size(), 0);
    // The failed row is not left pending: the next command can use the table.
    vdb::Table* table = DataModule6->Table1;
    QVERIFY(table->state() != vdb::State::Insert && table->state() != vdb::State::Edit);
    table->open();
    table->last();
    QVERIFY(table->bof());
}

void TestNewSurveyDialog::creationErrorStillGivesTheDialog()
{
    QVERIFY(QFile::remove(m_fixture->data().tablePath(variablesTable().fileName)));
    ModoReedicion = 1;
    pressOnModal(QStringLiteral("OK"));
    auto dialog = openDialog();
    QVERIFY(testing_support::lastModalText().contains(QStringLiteral("variables.DB")));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->Edit1->text(), QStringLiteral("1"));
    QCOMPARE(dialog->Edit3->text(), QString());
}

void TestNewSurveyDialog::globalInstanceRunsNoCreationStep()
{
    addParameterRow(1, 9, 4, 7, m_fixture->work());
    ModoReedicion = 1;
    NumPreguntas = 30;
    TForm2 parameters(nullptr, false);
    TForm3 questions(nullptr, false);
    QVERIFY(!DataModule6->Table1->active());
    QCOMPARE(parameters.Edit1->text(), QStringLiteral("1"));
    QCOMPARE(questions.questionCount(), 0);
    QVERIFY(questions.questionEdit(1)->isHidden());
}

QTEST_MAIN(TestNewSurveyDialog)
#include "tst_new_survey_dialog.moc"
