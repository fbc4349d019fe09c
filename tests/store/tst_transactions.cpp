// Writes that must not be lost or half done: one transaction over the three
// table files, and another program's lock on a table.

#include "platform/db/database.h"
#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace testing_support;

namespace {

void appendRow(vdb::Table* t, const QList<std::pair<QString, QString>>& values)
{
    t->append();
    for (const auto& [field, text] : values)
        t->fieldByName(field).setAsString(text);
    t->post();
}

void setFirst(vdb::Table* t, const QString& field, const QString& text)
{
    t->first();
    t->edit();
    t->fieldByName(field).setAsString(text);
    t->post();
}

} // namespace

class TstTransactions : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<ModuleData>();
        DataModule6->Table1->open();
        DataModule6->Table2->open();
        DataModule6->Table3->open();
        appendRow(DataModule6->Table1, { { "Edicion", "1" }, { "Num", "2" }, { "Direccion", "/iconos" } });
        appendRow(DataModule6->Table2, { { "Edicion", "1" }, { "Preguntas", "uno" } });
        appendRow(DataModule6->Table2, { { "Edicion", "1" }, { "Preguntas", "dos" } });
        appendRow(DataModule6->Table3, { { "Edicion", "1" }, { "Pregunta", "uno" }, { "Rep_icono", "3" } });
        for (const char* file : { "variables.DB", "preguntas.DB", "tesis.DB" })
            m_before[file] = fileBytes(m_data->tablePath(file));
    }
    void cleanup() { m_data.reset(); }

    void transactionsAreAllOrNothing()
    {
        // A renumbering that touches every table, then posts the given count.
        auto renumber = [](const QString& count) {
            vdb::Transaction tx(kDatabaseName);
            setFirst(DataModule6->Table1, "Edicion", "7");
            DataModule6->Table2->first();
            DataModule6->Table2->deleteRecord();
            appendRow(DataModule6->Table2, { { "Edicion", "7" }, { "Preguntas", "nueva" } });
            setFirst(DataModule6->Table3, "Rep_icono", "4");
            setFirst(DataModule6->Table3, "Rep_icono", count);
            tx.commit();
        };
        const QString error = errorOf([&] { renumber("99999"); }); // out of range: fails part-way
        QVERIFY2(error.contains("99999"), qPrintable(error));
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        expectUntouched();
        // Nested in another block: an inner block that gives up undoes the
        // outer one, whose commit then fails; an inner commit is not final.
        QCOMPARE(errorOf([&] {
            vdb::Transaction outer(kDatabaseName);
            QVERIFY_THROWS_EXCEPTION(vdb::Error, renumber("99999"));
            outer.commit();
        }),
            QStringLiteral("La transacción se ha deshecho"));
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        expectUntouched();
        QCOMPARE(errorOf([&] {
            vdb::Transaction outer(kDatabaseName);
            renumber("5");
            throw vdb::Error(QStringLiteral("fallo"));
        }),
            QStringLiteral("fallo"));
        expectUntouched();

        QCOMPARE(errorOf([&] {
            vdb::Transaction outer(kDatabaseName);
            renumber("5");
            outer.commit();
        }),
            QString());
        QCOMPARE(fileRows(m_data->tablePath("variables.DB"), "variables", "Edicion"), QStringList { "7" });
        QCOMPARE(
            fileRows(m_data->tablePath("preguntas.DB"), "preguntas", "Preguntas"), (QStringList { "dos", "nueva" }));
        QCOMPARE(fileRows(m_data->tablePath("tesis.DB"), "tesis", "Rep_icono"), QStringList { "5" });
        // A write-ahead log would let a commit reach one file and not another.
        withTableFile(m_data->tablePath("tesis.DB"), [](QSqlDatabase& db) {
            QSqlQuery q(db);
            QVERIFY(q.exec("PRAGMA journal_mode") && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("delete"));
        });
    }

    void postWaitsForAnotherProgramsLock()
    {
        // Another program writes to the results table and holds its lock for
        // a while; our post waits for it instead of failing.
        std::atomic<bool> locked { false };
        std::jthread other([&] {
            withTableFile(m_data->tablePath("tesis.DB"), [&](QSqlDatabase& db) {
                execOn(db, "BEGIN IMMEDIATE");
                execOn(db, "INSERT INTO tesis (Edicion, Pregunta) VALUES (2, 'otro programa')");
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                execOn(db, "COMMIT");
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(locked.load(), 5000);
        const QString error = errorOf([] {
            appendRow(DataModule6->Table3, { { "Edicion", "1" }, { "Pregunta", "nuestra" } });
        });
        other.join();
        QCOMPARE(error, QString());
        vdb::Table* t3 = DataModule6->Table3;
        t3->close();
        QStringList order;
        for (t3->open(); !t3->eof(); t3->next())
            order << t3->fieldByName("Pregunta").asString();
        QCOMPARE(order, (QStringList { "uno", "otro programa", "nuestra" }));
    }

private:
    // The files hold the rows of init() and the open datasets show them, not undone ones.
    void expectUntouched()
    {
        for (const char* file : { "variables.DB", "preguntas.DB", "tesis.DB" })
            QVERIFY2(fileBytes(m_data->tablePath(file)) == m_before[file], file);
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QStringLiteral("1"));
        QCOMPARE(DataModule6->Table2->recordCount(), 2);
        DataModule6->Table2->first();
        QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QStringLiteral("uno"));
        QCOMPARE(DataModule6->Table3->fieldByName("Rep_icono").asString(), QStringLiteral("3"));
    }

    std::unique_ptr<ModuleData> m_data;
    std::map<QString, QByteArray> m_before;
};

QTEST_MAIN(TstTransactions)
#include "tst_transactions.moc"
