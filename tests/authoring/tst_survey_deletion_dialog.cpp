// "Borrar" of the survey list in delete mode, driven as the author uses it.

#include "authoring/survey_list.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/authoring/maintenance_fixture.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <QtTest>

using namespace maintenance;

namespace {

const QString kQuestion = QStringLiteral("¿Esta seguro que desea borrar esta Encuesta?");
const QStringList kParameters { "1|a", "2|b", "3|c" };
const QStringList kQuestions { "1|p1", "2|p2", "2|p2b", "3|p3" };
const QStringList kResults { "2|p2|1", "3|p3|2", "1|p1|3", "2|p2b|5", "3|p3|9" };

} // namespace

class TestSurveyDeletionDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noKeepsEverything();
    void yesDeletesTheSurveyShown();
    void enterPressesBorrar();
    void twoDeletionsInARow();
    void failurePartWayIsShownAndChangesNothing();
    void readOnlyFileChangesNothing();
    void commitRefusedByAnotherProgramChangesNothing();

private:
    QString file(const QString& name) const { return m_data->tablePath(name); }
    QStringList parameters() const { return dump(file("variables.DB"), "variables", "Edicion, Direccion"); }
    QStringList questions() const { return dump(file("preguntas.DB"), "preguntas", "Edicion, Preguntas"); }
    QStringList results() const { return dump(file("tesis.DB"), "tesis", "Edicion, Pregunta, Icono"); }
    QStringList everything() const
    {
        return dumpAll(file("variables.DB"), "variables") + dumpAll(file("preguntas.DB"), "preguntas")
            + dumpAll(file("tesis.DB"), "tesis");
    }
    // What "Borrar Encuesta" does before it shows the list.
    TForm7* openAsTheCommandDoes();
    // Presses "Borrar", answers the confirmation and, when one comes, the error box.
    int pressBorrar(TForm7* form, const QString& answer, int surveyShown = 1, bool errorExpected = false);

    std::unique_ptr<testing_support::TestData> m_data;
    std::unique_ptr<QWidget> m_owner;
};

void TestSurveyDeletionDialog::init()
{
    m_data = std::make_unique<testing_support::TestData>();
    DataModule6 = new TDataModule6;
    m_owner = std::make_unique<QWidget>();
    writeParameters(file("variables.DB"), kParameters);
    writeQuestions(file("preguntas.DB"), kQuestions);
    writeResults(file("tesis.DB"), kResults);
}

void TestSurveyDeletionDialog::cleanup()
{
    m_owner.reset();
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

TForm7* TestSurveyDeletionDialog::openAsTheCommandDoes()
{
    DataModule6->Table3->open();
    vdb::Table* t1 = DataModule6->Table1;
    t1->open();
    t1->edit();
    EdicionActual = t1->recordCount();
    t1->last();
    auto* form = new TForm7(m_owner.get());
    form->setWindowTitle(" Vesmarin - Borrar Encuesta");
    form->BitBtn3->show();
    return form;
}

int TestSurveyDeletionDialog::pressBorrar(TForm7* form, const QString& answer, int surveyShown, bool errorExpected)
{
    testing_support::whenModal([=](QWidget*) {
        for (int i = 1; i < surveyShown; ++i)
            form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
        testing_support::whenModal([=](QWidget* box) {
            if (errorExpected)
                testing_support::pressOnModal("OK");
            QMessageBox* question = qobject_cast<QMessageBox*>(box);
            QVERIFY(question);
            QCOMPARE(question->text(), kQuestion);
            QCOMPARE(question->windowTitle(), QString("Vesmarin"));
            QCOMPARE(question->icon(), QMessageBox::NoIcon);
            testing_support::findButton(box, answer)->click();
        });
        form->BitBtn3->click();
    });
    return form->showModal();
}

void TestSurveyDeletionDialog::noKeepsEverything()
{
    const QStringList before = everything();
    TForm7* form = openAsTheCommandDoes();
    QCOMPARE(pressBorrar(form, "No", 2), int(vui::mrCancel));
    QVERIFY(!form->isVisible());
    QCOMPARE(everything(), before);
    // Nothing was closed or moved either.
    QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QString("2"));
    QCOMPARE(DataModule6->Table1->recordCount(), 3);
}

void TestSurveyDeletionDialog::yesDeletesTheSurveyShown()
{
    TForm7* form = openAsTheCommandDoes();
    QCOMPARE(pressBorrar(form, "Sí", 2), int(vui::mrOk));
    QVERIFY(!form->isVisible());
    QCOMPARE(testing_support::lastModalText(), kQuestion);
    QCOMPARE(parameters(), (QStringList { "1|a", "2|c" }));
    QCOMPARE(questions(), (QStringList { "1|p1", "2|p3" }));
    QCOMPARE(results(), (QStringList { "2|p3|2", "1|p1|3", "2|p3|9" }));
    QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    QCOMPARE(EdicionActual, 3); // the run state is not touched
}

void TestSurveyDeletionDialog::enterPressesBorrar()
{
    TForm7* form = openAsTheCommandDoes();
    testing_support::whenModal([=](QWidget*) {
        testing_support::pressOnModal("Sí");
        QTest::keyClick(form, Qt::Key_Return);
    });
    QCOMPARE(form->showModal(), int(vui::mrOk));
    QCOMPARE(parameters(), (QStringList { "1|b", "2|c" }));
}

void TestSurveyDeletionDialog::twoDeletionsInARow()
{
    QCOMPARE(pressBorrar(openAsTheCommandDoes(), "Sí", 1), int(vui::mrOk));
    TForm7* second = openAsTheCommandDoes();
    QCOMPARE(EdicionActual, 2);
    QCOMPARE(second->DBEdit1->text(), QString("1"));
    QCOMPARE(second->ListBox1->item(0)->text(), QString("p2"));
    QCOMPARE(pressBorrar(second, "Sí", 2), int(vui::mrOk));
    QCOMPARE(parameters(), (QStringList { "1|b" }));
    QCOMPARE(questions(), (QStringList { "1|p2", "1|p2b" }));
    QCOMPARE(results(), (QStringList { "1|p2|1", "1|p2b|5" }));
}

void TestSurveyDeletionDialog::failurePartWayIsShownAndChangesNothing()
{
    // The last result row to renumber cannot be written: the parameter and
    // question tables, and part of the results, were already written.
    failWritesWhere(file("tesis.DB"), "tesis", "UPDATE", "OLD.Icono = 9");
    const QStringList before = everything();
    TForm7* form = openAsTheCommandDoes();
    QCOMPARE(pressBorrar(form, "Sí", 2, true), int(vui::mrOk));
    QVERIFY(!form->isVisible());
    QVERIFY2(testing_support::lastModalText().contains("disco lleno"), qPrintable(testing_support::lastModalText()));
    QVERIFY(testing_support::lastModalText().contains("No se pudo borrar la Encuesta 2"));
    QCOMPARE(everything(), before);
    QCOMPARE(DataModule6->Table1->recordCount(), 3);
    QCOMPARE(DataModule6->Table3->recordCount(), 5);
}

void TestSurveyDeletionDialog::readOnlyFileChangesNothing()
{
    // Tests run as the superuser: the permission bits alone mark the file.
    QFile::setPermissions(file("tesis.DB"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QStringList before = everything();
    TForm7* form = openAsTheCommandDoes();
    QCOMPARE(pressBorrar(form, "Sí", 1, true), int(vui::mrOk));
    QVERIFY2(testing_support::lastModalText().contains("solo lectura"), qPrintable(testing_support::lastModalText()));
    QCOMPARE(everything(), before);
}

void TestSurveyDeletionDialog::commitRefusedByAnotherProgramChangesNothing()
{
    const QStringList before = everything();
    // Another program reads the results file and keeps its read lock: the
    // writes go through, but the commit cannot take the file.
    static const QString reader = QStringLiteral("another-program");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), reader);
        db.setDatabaseName(file("tesis.DB"));
        QVERIFY(db.open());
        QVERIFY(db.transaction());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT count(*) FROM tesis"));
        QVERIFY(q.next());
    }
    TForm7* form = openAsTheCommandDoes();
    QCOMPARE(pressBorrar(form, "Sí", 1, true), int(vui::mrOk));
    QVERIFY(testing_support::lastModalText().contains("No se pudo borrar la Encuesta 1"));
    QVERIFY(testing_support::lastModalText().contains("No se pueden guardar los cambios"));
    {
        QSqlDatabase db = QSqlDatabase::database(reader);
        db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(reader);
    QCOMPARE(everything(), before);
    QCOMPARE(DataModule6->Table1->recordCount(), 3);
}

QTEST_MAIN(TestSurveyDeletionDialog)
#include "tst_survey_deletion_dialog.moc"
