// Deleting a survey and renumbering the later ones over real table files,
// directly and through "Borrar" of the survey list in delete mode.

#include "authoring/survey_deletion.h"
#include "authoring/survey_list.h"
#include "maintenance_fixture.h"

#include <QFile>
#include <QMessageBox>
#include <QSqlQuery>

using namespace maintenance;

namespace {
const QString kQuestion = QStringLiteral("¿Esta seguro que desea borrar esta Encuesta?");
const QStringList kParameters { "1|a", "2|b", "3|c" };
const QStringList kQuestions { "1|p1", "2|p2", "2|p2b", "3|p3" };
const QStringList kResults { "2|p2|1", "3|p3|2", "1|p1|3", "2|p2b|5", "3|p3|9" };
} // namespace

class TestSurveyDeletion : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fixture = std::make_unique<Fixture>(); }
    void cleanup() { m_fixture.reset(); }

    void deletesAndRenumbers_data()
    {
        // Parameter, question and result rows (blank-separated) before and
        // after deleting the survey of the given edition.
        for (const char* column :
            { "params", "questions", "results", "edition", "paramsAfter", "questionsAfter", "resultsAfter" })
            QTest::addColumn<QStringList>(column);
        auto row = [](const char* name, std::initializer_list<const char*> columns) {
            QTestData& data = QTest::newRow(name);
            for (const char* c : columns)
                data << QString::fromUtf8(c).split(u' ', Qt::SkipEmptyParts);
        };
        row("the only survey", { "1|a", "1|p1 1|p2 1|p1", "1|p1|1 1|p2|1 1|p1|4", "1", "", "", "" });
        const char* three[] = { "1|a 2|b 3|c", "1|uno 1|dos 2|tres 3|cinco 3|seis",
            "1|uno|1 2|tres|2 1|dos|3 3|cinco|4 3|seis|6 1|uno|7" };
        row("three surveys, deleting 2",
            { three[0], three[1], three[2], "2", "1|a 2|c", "1|uno 1|dos 2|cinco 2|seis",
                "1|uno|1 1|dos|3 2|cinco|4 2|seis|6 1|uno|7" });
        row("deleting the last",
            { three[0], three[1], three[2], "3", "1|a 2|b", "1|uno 1|dos 2|tres", "1|uno|1 2|tres|2 1|dos|3 1|uno|7" });
        row("results of 1 after those of 2, deleting 1",
            { "1|a 2|b", "1|p 2|q", "2|q|1 2|q|2 1|p|1 1|p|2 2|q|3 1|p|5", "1", "1|b", "1|q", "1|q|1 1|q|2 1|q|3" });
        row("rows without an edition stay as they are",
            { "1|a 2|b |huérfana", "|suelta 1|uno 2|dos", "2|dos|1 |x|4 1|uno|2", "1", "1|b |huérfana", "|suelta 1|dos",
                "1|dos|1 |x|4" });
        // Editions are compared as numbers: deleting 1 must not take 10 and 11
        // with it, deleting 2 must lower them.
        for (int deleted : { 1, 2 }) {
            QStringList eleven[6];
            for (int e = 1; e <= 11; ++e)
                for (int k = 0; k < 3; ++k) {
                    const QString r = QString::fromLatin1(k ? "q%1" : "d%1").arg(e)
                        + (k == 2 ? QStringLiteral("|%1").arg(e) : QString());
                    eleven[k] << QString::number(e) + u'|' + r;
                    if (e != deleted)
                        eleven[k + 3] << QString::number(e > deleted ? e - 1 : e) + u'|' + r;
                }
            QTest::addRow("eleven surveys, deleting %d", deleted)
                << eleven[0] << eleven[1] << eleven[2] << QStringList { QString::number(deleted) } << eleven[3]
                << eleven[4] << eleven[5];
        }
    }
    void deletesAndRenumbers()
    {
        QFETCH(QStringList, params);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, results);
        QFETCH(QStringList, edition);
        m_fixture->write(params, questions, results);
        openAsTheListDoes();

        deleteSurvey(edition.first());

        QTEST(m_fixture->parameters(), "paramsAfter");
        QTEST(m_fixture->questions(), "questionsAfter");
        QTEST(m_fixture->results(), "resultsAfter");
        // The open datasets show what the files hold.
        QCOMPARE(DataModule6->Table3->recordCount(), m_fixture->results().size());
    }
    void badEditionTextChangesNothing()
    {
        m_fixture->write(kParameters, kQuestions);
        openAsTheListDoes();
        const QStringList before = m_fixture->everything();
        for (const QString& bad : { QString(), QStringLiteral("x"), QStringLiteral("7") }) {
            QVERIFY_THROWS_EXCEPTION(vdb::Error, deleteSurvey(bad));
            QCOMPARE(m_fixture->everything(), before);
        }
    }
    void noKeepsEverythingThenTwoDeletionsInARow()
    {
        m_fixture->write(kParameters, kQuestions, kResults);
        const QStringList before = m_fixture->everything();
        TForm7* form = openAsTheCommandDoes();
        QCOMPARE(pressBorrar(form, "No", 2), int(vui::mrCancel));
        QVERIFY(!form->isVisible());
        QCOMPARE(m_fixture->everything(), before);
        // Nothing was closed or moved either.
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QString("2"));

        QCOMPARE(pressBorrar(openAsTheCommandDoes(), "Sí", 1), int(vui::mrOk));
        TForm7* second = openAsTheCommandDoes();
        QCOMPARE(EdicionActual, 2);
        QCOMPARE(second->ListBox1->item(0)->text(), QString("p2"));
        QCOMPARE(pressBorrar(second, "Sí", 2), int(vui::mrOk));
        QCOMPARE(m_fixture->parameters(), (QStringList { "1|b" }));
        QCOMPARE(m_fixture->questions(), (QStringList { "1|p2", "1|p2b" }));
        QCOMPARE(m_fixture->results(), (QStringList { "1|p2|1", "1|p2b|5" }));
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    }
    void failureIsShownAndChangesNothing_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("message");
        // Each write fails after the earlier tables, and part of this one, were written.
        // clang-format off
        QTest::newRow("renumbering the last result row") << "tesis UPDATE OLD.Icono = 9" << "disco lleno";
        QTest::newRow("deleting a result row") << "tesis DELETE OLD.Icono = 5" << "disco lleno";
        QTest::newRow("renumbering a parameter row") << "variables UPDATE OLD.Edicion = 3" << "disco lleno";
        QTest::newRow("a read-only table file") << "read-only" << "solo lectura";
        QTest::newRow("another program holds a read lock") << "lock" << "tesis.DB' está siendo usada por otro programa; vuelva a intentarlo";
        // clang-format on
    }
    void failureIsShownAndChangesNothing()
    {
        QFETCH(QString, cause);
        QFETCH(QString, message);
        m_fixture->write(kParameters, kQuestions, kResults);
        const QString tesis = m_fixture->file("tesis.DB");
        const QStringList before = m_fixture->everything();
        const QString reader = QStringLiteral("another-program");
        if (cause.contains(' ')) {
            const QString table = cause.section(' ', 0, 0);
            failWritesWhere(m_fixture->file(table + ".DB"), table, cause.section(' ', 1, 1), cause.section(' ', 2));
        } else if (cause == "read-only") {
            // Tests run as the superuser: the permission bits alone mark the file.
            QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else {
            // The writes go through, but the commit cannot take the file.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), reader);
            db.setDatabaseName(tesis);
            QVERIFY(db.open() && db.transaction());
            QSqlQuery q(db);
            QVERIFY(q.exec("SELECT count(*) FROM tesis") && q.next());
        }
        TForm7* form = openAsTheCommandDoes();
        QCOMPARE(pressBorrar(form, "Sí", 2, true), int(vui::mrOk));
        QVERIFY(!form->isVisible());
        QVERIFY2(lastModalText().contains(message), qPrintable(lastModalText()));
        QVERIFY(lastModalText().contains("No se pudo borrar la Encuesta 2"));
        if (cause == "lock") {
            QSqlDatabase::database(reader).rollback();
            QSqlDatabase::database(reader).close();
            QSqlDatabase::removeDatabase(reader);
        }
        QCOMPARE(m_fixture->everything(), before);
        // The open datasets were brought back to what the files hold.
        QCOMPARE(DataModule6->Table1->recordCount(), 3);
        QCOMPARE(DataModule6->Table3->recordCount(), 5);
        DataModule6->Table3->first();
        QCOMPARE(DataModule6->Table3->fieldByName("Edicion").asString(), QString("2"));
        if (!cause.contains(' ')) {
            // Once the file is free again the same deletion goes through.
            QFile::setPermissions(tesis, QFile::ReadOwner | QFile::WriteOwner);
            deleteSurvey(QStringLiteral("2"));
            QCOMPARE(m_fixture->results(), (QStringList { "2|p3|2", "1|p1|3", "2|p3|9" }));
        }
    }

private:
    void openAsTheListDoes()
    {
        DataModule6->Table3->open();
        DataModule6->Table1->open();
        DataModule6->Table2->open();
        DataModule6->Table1->first();
    }
    // What "Borrar Encuesta" does before it shows the list.
    TForm7* openAsTheCommandDoes()
    {
        DataModule6->Table3->open();
        vdb::Table* t1 = DataModule6->Table1;
        t1->open();
        t1->edit();
        EdicionActual = t1->recordCount();
        t1->last();
        auto* form = new TForm7;
        form->BitBtn3->show();
        return form;
    }
    // Presses "Borrar" (Enter) on survey `surveyShown`, answers the
    // confirmation and, when one comes, the error box.
    int pressBorrar(TForm7* form, const QString& answer, int surveyShown, bool errorExpected = false)
    {
        whenModal([=](QWidget*) {
            for (int i = 1; i < surveyShown; ++i)
                form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
            whenModal([=](QWidget* box) {
                if (errorExpected)
                    pressOnModal("OK");
                auto* question = qobject_cast<QMessageBox*>(box);
                QVERIFY(question);
                QCOMPARE(question->text(), kQuestion);
                QCOMPARE(question->windowTitle(), QString("Vesmarin"));
                findButton(box, answer)->click();
            });
            QTest::keyClick(form, Qt::Key_Return);
        });
        int result = -1; // a window left unanswered is hidden: the test fails instead of hanging
        return runAnswered([&] { result = form->showModal(); }, 5000) ? result : -1;
    }
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestSurveyDeletion)
#include "tst_survey_deletion.moc"
