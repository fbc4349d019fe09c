// Deleting a survey and renumbering the later ones, over real table files.

#include "authoring/survey_deletion.h"
#include "store/data_module.h"
#include "tests/authoring/maintenance_fixture.h"
#include "tests/support/test_support.h"

#include <QtTest>

using namespace maintenance;

class TestSurveyDeletion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deletesAndRenumbers_data();
    void deletesAndRenumbers();
    void nextSurveyAfterDeletingTheOnlyOneIsEditionOne();
    void failurePartWayChangesNothing_data();
    void failurePartWayChangesNothing();
    void badEditionTextChangesNothing();

private:
    QString file(const QString& name) const { return m_data->tablePath(name); }
    QStringList parameters() const { return dump(file("variables.DB"), "variables", "Edicion, Direccion"); }
    QStringList questions() const { return dump(file("preguntas.DB"), "preguntas", "Edicion, Preguntas"); }
    QStringList results() const { return dump(file("tesis.DB"), "tesis", "Edicion, Pregunta, Icono"); }
    void openAsTheListDoes();

    std::unique_ptr<testing_support::TestData> m_data;
};

void TestSurveyDeletion::init()
{
    m_data = std::make_unique<testing_support::TestData>();
    DataModule6 = new TDataModule6;
}

void TestSurveyDeletion::cleanup()
{
    delete DataModule6;
    DataModule6 = nullptr;
    m_data.reset();
}

void TestSurveyDeletion::openAsTheListDoes()
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    DataModule6->Table2->open();
    DataModule6->Table1->first();
}

void TestSurveyDeletion::deletesAndRenumbers_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<QStringList>("paramsAfter");
    QTest::addColumn<QStringList>("questionsAfter");
    QTest::addColumn<QStringList>("resultsAfter");

    const QStringList none;
    QTest::newRow("only survey, one question, never answered")
        << QStringList { "1|a" } << QStringList { "1|¿Edad?" } << none << "1" << none << none << none;
    QTest::newRow("only survey, one result row") << QStringList { "1|a" } << QStringList { "1|¿Edad?" }
                                                 << QStringList { "1|¿Edad?|3" } << "1" << none << none << none;
    QTest::newRow("only survey, many rows")
        << QStringList { "1|a" } << QStringList { "1|p1", "1|p2", "1|p3", "1|p1" }
        << QStringList { "1|p1|1", "1|p1|2", "1|p2|1", "1|p3|7", "1|p1|4" } << "1" << none << none << none;

    const QStringList threeParams { "1|a", "2|b", "3|c" };
    const QStringList threeQuestions { "1|uno", "1|dos", "2|tres", "2|cuatro", "3|cinco", "3|seis" };
    const QStringList threeResults { "1|uno|1", "2|tres|2", "1|dos|3", "3|cinco|4", "2|cuatro|5", "3|seis|6",
        "1|uno|7" };
    QTest::newRow("three surveys, deleting 2")
        << threeParams << threeQuestions << threeResults << "2" << QStringList { "1|a", "2|c" }
        << QStringList { "1|uno", "1|dos", "2|cinco", "2|seis" }
        << QStringList { "1|uno|1", "1|dos|3", "2|cinco|4", "2|seis|6", "1|uno|7" };
    QTest::newRow("deleting the last") << threeParams << threeQuestions << threeResults << "3"
                                       << QStringList { "1|a", "2|b" }
                                       << QStringList { "1|uno", "1|dos", "2|tres", "2|cuatro" }
                                       << QStringList { "1|uno|1", "2|tres|2", "1|dos|3", "2|cuatro|5", "1|uno|7" };
    QTest::newRow("deleting 1 of several lowers every other row")
        << threeParams << threeQuestions << threeResults << "1" << QStringList { "1|b", "2|c" }
        << QStringList { "1|tres", "1|cuatro", "2|cinco", "2|seis" }
        << QStringList { "1|tres|2", "2|cinco|4", "1|cuatro|5", "2|seis|6" };
    QTest::newRow("results of 1 after those of 2, deleting 1")
        << QStringList { "1|a", "2|b" } << QStringList { "1|p", "2|q" }
        << QStringList { "2|q|1", "2|q|2", "1|p|1", "1|p|2", "2|q|3", "1|p|5" } << "1" << QStringList { "1|b" }
        << QStringList { "1|q" } << QStringList { "1|q|1", "1|q|2", "1|q|3" };
    QTest::newRow("a survey never answered, deleting it")
        << threeParams << threeQuestions << QStringList { "1|uno|1", "3|cinco|2", "3|seis|3" } << "2"
        << QStringList { "1|a", "2|c" } << QStringList { "1|uno", "1|dos", "2|cinco", "2|seis" }
        << QStringList { "1|uno|1", "2|cinco|2", "2|seis|3" };
    QTest::newRow("empty question and result tables")
        << threeParams << none << none << "2" << QStringList { "1|a", "2|c" } << none << none;
    QTest::newRow("rows without an edition stay as they are")
        << QStringList { "1|a", "2|b", "|huérfana" } << QStringList { "|suelta", "1|uno", "2|dos", "|otra" }
        << QStringList { "2|dos|1", "|x|4", "1|uno|2" } << "1" << QStringList { "1|b", "|huérfana" }
        << QStringList { "|suelta", "1|dos", "|otra" } << QStringList { "1|dos|1", "|x|4" };

    // Edition 1 must not take 10 and 11 with it: editions are compared whole.
    QStringList elevenParams, elevenQuestions, elevenResults;
    QStringList elevenParamsAfter, elevenQuestionsAfter, elevenResultsAfter;
    for (int e = 1; e <= 11; ++e) {
        elevenParams << QStringLiteral("%1|d%1").arg(e);
        elevenQuestions << QStringLiteral("%1|q%1").arg(e);
        elevenResults << QStringLiteral("%1|q%1|%1").arg(e);
        if (e > 1) {
            elevenParamsAfter << QStringLiteral("%1|d%2").arg(e - 1).arg(e);
            elevenQuestionsAfter << QStringLiteral("%1|q%2").arg(e - 1).arg(e);
            elevenResultsAfter << QStringLiteral("%1|q%2|%2").arg(e - 1).arg(e);
        }
    }
    QTest::newRow("eleven surveys, deleting 1") << elevenParams << elevenQuestions << elevenResults << "1"
                                                << elevenParamsAfter << elevenQuestionsAfter << elevenResultsAfter;
}

void TestSurveyDeletion::deletesAndRenumbers()
{
    QFETCH(QStringList, params);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, results);
    QFETCH(QString, edition);
    writeParameters(file("variables.DB"), params);
    writeQuestions(file("preguntas.DB"), questions);
    writeResults(file("tesis.DB"), results);
    openAsTheListDoes();

    deleteSurvey(edition);

    QTEST(parameters(), "paramsAfter");
    QTEST(this->questions(), "questionsAfter");
    QTEST(this->results(), "resultsAfter");
    // The open datasets show what the files hold, and all three stay open.
    QFETCH(QStringList, paramsAfter);
    QFETCH(QStringList, resultsAfter);
    QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    QCOMPARE(DataModule6->Table1->recordCount(), paramsAfter.size());
    QCOMPARE(DataModule6->Table3->recordCount(), resultsAfter.size());
}

void TestSurveyDeletion::nextSurveyAfterDeletingTheOnlyOneIsEditionOne()
{
    writeParameters(file("variables.DB"), { "1|a" });
    writeQuestions(file("preguntas.DB"), { "1|vieja" });
    writeResults(file("tesis.DB"), { "1|vieja|2" });
    openAsTheListDoes();
    deleteSurvey("1");

    // A new survey is numbered as the count of parameter rows plus one.
    vdb::Table* t1 = DataModule6->Table1;
    const int next = t1->recordCount() + 1;
    QCOMPARE(next, 1);
    t1->append();
    t1->fieldByName("Edicion").setAsString(QString::number(next));
    t1->post();
    QCOMPARE(parameters(), QStringList { "1|" });
    // Nothing of the old survey 1 is left to mix into the new one's results.
    QVERIFY(results().isEmpty());
    QVERIFY(questions().isEmpty());
}

void TestSurveyDeletion::failurePartWayChangesNothing_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("when");
    // Each fails after the earlier tables, and part of this one, were written.
    QTest::newRow("renumbering the last result row") << "tesis.DB"
                                                     << "UPDATE"
                                                     << "OLD.Icono = 9";
    QTest::newRow("deleting a result row") << "tesis.DB"
                                           << "DELETE"
                                           << "OLD.Icono = 5";
    QTest::newRow("renumbering a question row") << "preguntas.DB"
                                                << "UPDATE"
                                                << "OLD.Preguntas = 'p3b'";
    QTest::newRow("renumbering a parameter row") << "variables.DB"
                                                 << "UPDATE"
                                                 << "OLD.Edicion = 3";
}

void TestSurveyDeletion::failurePartWayChangesNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QString, operation);
    QFETCH(QString, when);
    writeParameters(file("variables.DB"), { "1|a", "2|b", "3|c" });
    writeQuestions(file("preguntas.DB"), { "1|p1", "2|p2", "3|p3", "3|p3b" });
    writeResults(file("tesis.DB"), { "2|p2|1", "3|p3|2", "1|p1|3", "2|p2|5", "3|p3|9" });
    failWritesWhere(file(fileName), QFileInfo(fileName).completeBaseName(), operation, when);
    const QStringList before[3] = { dumpAll(file("variables.DB"), "variables"),
        dumpAll(file("preguntas.DB"), "preguntas"), dumpAll(file("tesis.DB"), "tesis") };
    openAsTheListDoes();

    QString error;
    try {
        deleteSurvey("2");
    } catch (const vdb::Error& e) {
        error = e.text();
    }
    QVERIFY2(error.contains("disco lleno"), qPrintable(error));
    QVERIFY(error.contains("No se pudo borrar la Encuesta 2"));

    QCOMPARE(dumpAll(file("variables.DB"), "variables"), before[0]);
    QCOMPARE(dumpAll(file("preguntas.DB"), "preguntas"), before[1]);
    QCOMPARE(dumpAll(file("tesis.DB"), "tesis"), before[2]);
    // The open datasets were brought back to what the files hold.
    QCOMPARE(DataModule6->Table1->recordCount(), 3);
    QCOMPARE(DataModule6->Table2->recordCount(), 4);
    QCOMPARE(DataModule6->Table3->recordCount(), 5);
    DataModule6->Table3->first();
    QCOMPARE(DataModule6->Table3->fieldByName("Edicion").asString(), QString("2"));
    QCOMPARE(DataModule6->Table1->state(), vdb::State::Browse);

    // Once the cause is gone the same deletion goes through.
    withFile(file(fileName), [](QSqlDatabase& db) { execOn(db, "DROP TRIGGER injected_failure"); });
    DataModule6->Table1->first();
    deleteSurvey("2");
    QCOMPARE(parameters(), (QStringList { "1|a", "2|c" }));
    QCOMPARE(results(), (QStringList { "2|p3|2", "1|p1|3", "2|p3|9" }));
}

void TestSurveyDeletion::badEditionTextChangesNothing()
{
    writeParameters(file("variables.DB"), { "1|a", "2|b" });
    writeQuestions(file("preguntas.DB"), { "1|p1", "2|p2" });
    openAsTheListDoes();
    const QStringList before = parameters();
    for (const QString& bad : { QString(), QStringLiteral("x"), QStringLiteral("7") }) {
        QVERIFY_THROWS_EXCEPTION(vdb::Error, deleteSurvey(bad));
        QCOMPARE(parameters(), before);
        QCOMPARE(questions(), (QStringList { "1|p1", "2|p2" }));
    }
}

QTEST_MAIN(TestSurveyDeletion)
#include "tst_survey_deletion.moc"
