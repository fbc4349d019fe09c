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
    }
    void cleanup() { m_data.reset(); }

    void transactionIsAllOrNothing()
    {
        const QStringList files { "variables.DB", "preguntas.DB", "tesis.DB" };
        QList<QByteArray> before;
        for (const QString& f : files)
            before << fileBytes(m_data->tablePath(f));
        // A renumbering that touches every table, then posts the given count.
        auto renumber = [](const QString& count) {
            vdb::Transaction tx(kDatabaseName);
            vdb::Table* t1 = DataModule6->Table1;
            t1->first();
            t1->edit();
            t1->fieldByName("Edicion").setAsString("7");
            t1->post();
            DataModule6->Table2->first();
            DataModule6->Table2->deleteRecord();
            appendRow(DataModule6->Table2, { { "Edicion", "7" }, { "Preguntas", "nueva" } });
            vdb::Table* t3 = DataModule6->Table3;
            t3->first();
            t3->edit();
            t3->fieldByName("Rep_icono").setAsString("4");
            t3->post();
            t3->edit();
            t3->fieldByName("Rep_icono").setAsString(count);
            t3->post();
            tx.commit();
        };
        const QString error = errorOf([&] { renumber("99999"); }); // out of range: fails part-way
        QVERIFY2(error.contains("99999"), qPrintable(error));
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(fileBytes(m_data->tablePath(files[i])) == before[i], qPrintable(files[i]));
        // The open datasets show the rows on disk again, not the undone ones.
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QStringLiteral("1"));
        QCOMPARE(DataModule6->Table2->recordCount(), 2);
        DataModule6->Table2->first();
        QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QStringLiteral("uno"));
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        QCOMPARE(DataModule6->Table3->fieldByName("Rep_icono").asString(), QStringLiteral("3"));

        QCOMPARE(errorOf([&] { renumber("5"); }), QString());
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
        std::thread other([&] {
            withTableFile(m_data->tablePath("tesis.DB"), [&](QSqlDatabase& db) {
                execOn(db, "BEGIN IMMEDIATE");
                execOn(db, "INSERT INTO tesis (Edicion, Pregunta) VALUES (2, 'otro programa')");
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                execOn(db, "COMMIT");
            });
        });
        QTRY_VERIFY(locked.load());
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
    std::unique_ptr<ModuleData> m_data;
};

QTEST_MAIN(TstTransactions)
#include "tst_transactions.moc"
