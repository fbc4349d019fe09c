// Deleting a survey and renumbering the later ones over real table files, directly and through "Borrar" of the
// survey list in delete mode.

#include "authoring/survey_deletion.h"
#include "authoring/survey_list.h"
#include "maintenance_fixture.h"

using namespace maintenance;

namespace {
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
        // Parameter, question and result rows (blank-separated) before and after deleting the survey of the given
        // edition. Editions are numbers: deleting 1 leaves 10 and 11, deleting 2 lowers them; rows without an
        // edition stay as they are.
        for (const char* column :
            { "params", "questions", "results", "edition", "paramsAfter", "questionsAfter", "resultsAfter" })
            QTest::addColumn<QStringList>(column);
        auto row = [](const char* name, std::initializer_list<const char*> columns) {
            QTestData& data = QTest::newRow(name);
            for (const char* c : columns)
                data << QString::fromUtf8(c).split(u' ', Qt::SkipEmptyParts);
        };
        row("the only survey", { "1|a", "1|p1 1|p2 1|p1", "1|p1|1 1|p2|1 1|p1|4", "1", "", "", "" });
        const char* many[] = { "1|a 2|b 3|c |huérfana 10|j 11|k", "1|uno |suelta 1|dos 2|tres 3|cinco 10|diez 11|once",
            "1|uno|1 2|tres|2 1|dos|3 |x|4 11|once|5 3|cinco|4 10|diez|6 1|uno|7" };
        row("deleting 2",
            { many[0], many[1], many[2], "2", "1|a 2|c |huérfana 9|j 10|k",
                "1|uno |suelta 1|dos 2|cinco 9|diez 10|once",
                "1|uno|1 1|dos|3 |x|4 10|once|5 2|cinco|4 9|diez|6 1|uno|7" });
        row("deleting 1",
            { many[0], many[1], many[2], "1", "1|b 2|c |huérfana 9|j 10|k", "|suelta 1|tres 2|cinco 9|diez 10|once",
                "1|tres|2 |x|4 10|once|5 2|cinco|4 9|diez|6" });
    }
    void deletesAndRenumbers()
    {
        QFETCH(QStringList, params);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, results);
        QFETCH(QStringList, edition);
        m_fixture->write(params, questions, results);
        deleteSurvey(edition.first());
        QTEST(m_fixture->parameters(), "paramsAfter");
        QTEST(m_fixture->questions(), "questionsAfter");
        QTEST(m_fixture->results(), "resultsAfter");
        // The open datasets show what the files hold.
        QCOMPARE(DataModule6->Table3->recordCount(), m_fixture->results().size());
    }
    // Through the list: "No" keeps everything; a deletion failing at the last write, after the earlier tables and part
    // of this one were written, or on a read-only file, is shown and changes nothing; then two deletions in a row.
    void throughTheList()
    {
        m_fixture->write(kParameters, kQuestions, kResults);
        const QStringList before = m_fixture->everything();
        QCOMPARE(pressBorrar(openAsTheCommandDoes<TForm7>(), "No", 2), int(vui::mrCancel));
        QCOMPARE(m_fixture->everything(), before);
        // Nothing was closed or moved either.
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QString("2"));
        // A survey that is not there is refused.
        QVERIFY_THROWS_EXCEPTION(vdb::Error, deleteSurvey(QStringLiteral("7")));
        QCOMPARE(m_fixture->everything(), before);

        const QString tesis = m_fixture->file("tesis");
        failWritesWhere(tesis, "tesis", "UPDATE", "OLD.Icono = 9");
        for (const QString message : { "disco lleno", "solo lectura" }) {
            QCOMPARE(pressBorrar(openAsTheCommandDoes<TForm7>(), "Sí", 2, true), int(vui::mrOk));
            QVERIFY2(lastModalText().startsWith("No se pudo borrar la Encuesta 2") && lastModalText().contains(message),
                qPrintable(lastModalText()));
            QCOMPARE(m_fixture->everything(), before);
            // Tests run as the superuser: the permission bits alone mark the file.
            withTableFile(tesis, [](QSqlDatabase& db) { execOn(db, "DROP TRIGGER IF EXISTS injected_failure"); });
            QFile::setPermissions(tesis, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        // Once the file is free again deletions go through, the list showing what the first one left.
        QFile::setPermissions(tesis, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(pressBorrar(openAsTheCommandDoes<TForm7>(), "Sí", 1), int(vui::mrOk));
        TForm7* second = openAsTheCommandDoes<TForm7>();
        QCOMPARE(EdicionActual, 2);
        QCOMPARE(second->ListBox1->item(0)->text(), QString("p2"));
        QCOMPARE(pressBorrar(second, "Sí", 2), int(vui::mrOk));
        QCOMPARE(m_fixture->parameters() + m_fixture->questions() + m_fixture->results(),
            (QStringList { "1|b", "1|p2", "1|p2b", "1|p2|1", "1|p2b|5" }));
        QVERIFY(DataModule6->Table1->active() && DataModule6->Table2->active() && DataModule6->Table3->active());
    }

private:
    // Presses "Borrar" (Enter) in delete mode on survey `surveyShown`, answers the confirmation and, when one comes,
    // the error box.
    static int pressBorrar(TForm7* form, const QString& answer, int surveyShown, bool errorExpected = false)
    {
        form->BitBtn3->show();
        return showAnswered(form, [=](QWidget*) {
            for (int i = 1; i < surveyShown; ++i)
                form->DBNavigator1->button(vui::DBNavigator::nbNext)->click();
            whenModal([=](QWidget* box) {
                if (errorExpected)
                    pressOnModal("OK");
                QCOMPARE(lastModalText() + '|' + box->windowTitle(),
                    QStringLiteral("¿Esta seguro que desea borrar esta Encuesta?|Vesmarin"));
                findButton(box, answer)->click();
            });
            QTest::keyClick(form, Qt::Key_Return);
        });
    }
    std::unique_ptr<Fixture> m_fixture;
};

QTEST_MAIN(TestSurveyDeletion)
#include "tst_survey_deletion.moc"
