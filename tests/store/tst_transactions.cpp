// Writes that must not be half done: one transaction over the three table files.

#include "platform/db/database.h"
#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QSqlDatabase>
#include <QtTest>

using namespace testing_support;

namespace {

void setFirst(vdb::Table* t, const QString& field, const QString& text)
{
    t->first();
    t->edit();
    t->fieldByName(field).setAsString(text);
    t->post();
}

// What each open table shows of its first row and how many rows it has.
QStringList shown()
{
    QStringList seen;
    for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2, DataModule6->Table3 }) {
        t->first();
        seen << QString::number(t->recordCount());
        for (int i = 0; i < t->fieldCount(); ++i)
            seen << t->fieldByName(t->fieldDef(i).name).asString();
    }
    return seen;
}

} // namespace

class TstTransactions : public QObject
{
    Q_OBJECT

private slots:
    void transactionsAreAllOrNothing()
    {
        ModuleData data;
        auto path = [&data](const char* table) { return data.tablePath(QLatin1String(table) + QStringLiteral(".DB")); };
        auto files
            = [&] { return fileBytes(path("variables")) + fileBytes(path("preguntas")) + fileBytes(path("tesis")); };
        writeSurvey(1, { QStringLiteral("uno"), QStringLiteral("dos") });
        writeResult(1, QStringLiteral("uno"), 1, 3, 2);
        failWritesWhere(path("tesis"), "tesis", "UPDATE", "NEW.Rep_icono = 6"); // as a full disk would
        const QByteArray before = files();
        for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2, DataModule6->Table3 })
            t->open();
        // The files hold the rows written above and the open datasets show them, not undone ones.
        const QStringList shownBefore = shown();
        auto fails = [&](const std::function<void()>& action, const QString& error) {
            const QString got = errorOf(action);
            QVERIFY2(got.contains(error), qPrintable(got));
            QVERIFY(files() == before);
            QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
            QCOMPARE(shown(), shownBefore);
        };
        // A renumbering that touches every table, then posts the given count.
        auto renumber = [](const QString& count) {
            vdb::Transaction tx(kDatabaseName);
            setFirst(DataModule6->Table1, "Edicion", "7");
            DataModule6->Table2->first();
            DataModule6->Table2->deleteRecord();
            DataModule6->Table2->append();
            DataModule6->Table2->fieldByName("Preguntas").setAsString("nueva");
            DataModule6->Table2->post();
            setFirst(DataModule6->Table3, "Rep_icono", "4");
            setFirst(DataModule6->Table3, "Rep_icono", count);
            tx.commit();
        };
        fails([&] { renumber("99999"); }, "99999"); // out of range: fails part-way
        // Nested in another block: an inner block that gives up undoes the
        // outer one, whose commit then fails; an inner commit is not final.
        fails(
            [&] {
                vdb::Transaction outer(kDatabaseName);
                QVERIFY_THROWS_EXCEPTION(vdb::Error, renumber("99999"));
                outer.commit();
            },
            "La transacción se ha deshecho");
        fails(
            [&] {
                vdb::Transaction outer(kDatabaseName);
                renumber("5");
                throw vdb::Error(QStringLiteral("fallo"));
            },
            "fallo");
        // A write that fails spoils its block, even when its error is let pass.
        fails(
            [&] {
                vdb::Transaction tx(kDatabaseName);
                setFirst(DataModule6->Table1, "Edicion", "7");
                QVERIFY_THROWS_EXCEPTION(vdb::Error, setFirst(DataModule6->Table3, "Rep_icono", "6"));
                tx.commit();
            },
            "La transacción se ha deshecho");
        // Another program reading a file keeps the commit from taking it.
        withTableFile(path("tesis"), [&](QSqlDatabase& db) {
            execOn(db, "BEGIN");
            execOn(db, "SELECT count(*) FROM tesis");
            fails([&] { renumber("5"); }, "tesis.DB' está siendo usada por otro programa; vuelva a intentarlo");
            execOn(db, "ROLLBACK");
        });
        QCOMPARE(errorOf([&] {
            vdb::Transaction outer(kDatabaseName);
            renumber("5");
            outer.commit();
        }),
            QString());
        QCOMPARE(fileRows(path("variables"), "variables", "Edicion")
                + fileRows(path("preguntas"), "preguntas", "Preguntas") + fileRows(path("tesis"), "tesis", "Rep_icono"),
            (QStringList { "7", "dos", "nueva", "5" }));
        // A write-ahead log would let a commit reach one file and not another.
        QCOMPARE(fileRows(path("tesis"), "pragma_journal_mode", "journal_mode"), QStringList { "delete" });
    }
};

QTEST_MAIN(TstTransactions)
#include "tst_transactions.moc"
