// Writes that must not be lost or half done: one transaction over the three
// table files, and another program's lock on a table.

#include "platform/db/database.h"
#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using testing_support::TestData;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
        m_data = std::make_unique<TestData>();
        DataModule6 = new TDataModule6;
        DataModule6->Table1->open();
        DataModule6->Table2->open();
        DataModule6->Table3->open();
        appendRow(DataModule6->Table1, { { "Edicion", "1" }, { "Num", "2" }, { "Direccion", "/iconos" } });
        appendRow(DataModule6->Table2, { { "Edicion", "1" }, { "Preguntas", "uno" } });
        appendRow(DataModule6->Table2, { { "Edicion", "1" }, { "Preguntas", "dos" } });
        appendRow(DataModule6->Table3, { { "Edicion", "1" }, { "Pregunta", "uno" }, { "Rep_icono", "3" } });
    }
    void cleanup()
    {
        delete DataModule6;
        DataModule6 = nullptr;
        m_data.reset();
    }

    void failedTransactionLeavesAllThreeFilesAsTheyWere()
    {
        QStringList files { "variables.DB", "preguntas.DB", "tesis.DB" };
        QList<QByteArray> before;
        for (const QString& f : files)
            before << fileBytes(m_data->tablePath(f));

        bool failed = false;
        try {
            vdb::Transaction tx(kDatabaseName);
            // A renumbering that touches every table, then fails part-way.
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
            t3->fieldByName("Rep_icono").setAsString("99999");
            t3->post(); // out of range: the error leaves the block
            tx.commit();
        } catch (const vdb::Error& e) {
            failed = true;
            QVERIFY(QString(e.text()).contains("99999"));
        }
        QVERIFY(failed);
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(fileBytes(m_data->tablePath(files[i])) == before[i], qPrintable(files[i]));

        // The open datasets show the rows on disk again, not the undone ones.
        QCOMPARE(DataModule6->Table1->fieldByName("Edicion").asString(), QStringLiteral("1"));
        QCOMPARE(DataModule6->Table2->recordCount(), 2);
        DataModule6->Table2->first();
        QCOMPARE(DataModule6->Table2->fieldByName("Preguntas").asString(), QStringLiteral("uno"));
        QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
        QCOMPARE(DataModule6->Table3->fieldByName("Rep_icono").asString(), QStringLiteral("3"));
    }

    void committedTransactionReachesEveryFile()
    {
        {
            vdb::Transaction tx(kDatabaseName);
            DataModule6->Table1->first();
            DataModule6->Table1->deleteRecord();
            DataModule6->Table2->first();
            while (!DataModule6->Table2->isEmpty())
                DataModule6->Table2->deleteRecord();
            DataModule6->Table3->first();
            DataModule6->Table3->deleteRecord();
            tx.commit();
        }
        for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2, DataModule6->Table3 }) {
            t->close();
            t->open();
            QCOMPARE(t->recordCount(), 0);
        }
    }

    void postWaitsForAnotherProgramsLock()
    {
        // Another program writes to the results table and holds its lock for
        // a while; our post waits for it instead of failing.
        const QString path = m_data->tablePath("tesis.DB");
        std::atomic<bool> locked { false };
        std::atomic<bool> ok { true };
        std::thread other([&] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-program");
                db.setDatabaseName(path);
                ok = db.open();
                QSqlQuery q(db);
                ok = ok && q.exec("BEGIN IMMEDIATE");
                ok = ok && q.exec("INSERT INTO tesis (Edicion, Pregunta) VALUES (2, 'otro programa')");
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                ok = ok && q.exec("COMMIT");
                db.close();
            }
            QSqlDatabase::removeDatabase("other-program");
        });
        QTRY_VERIFY(locked.load());
        QString error;
        try {
            appendRow(DataModule6->Table3, { { "Edicion", "1" }, { "Pregunta", "nuestra" } });
        } catch (const vdb::Error& e) {
            error = e.text();
        }
        other.join();
        QVERIFY(ok);
        QCOMPARE(error, QString());
        DataModule6->Table3->close();
        DataModule6->Table3->open();
        QStringList order;
        for (DataModule6->Table3->first(); !DataModule6->Table3->eof(); DataModule6->Table3->next())
            order << DataModule6->Table3->fieldByName("Pregunta").asString();
        QCOMPARE(order, (QStringList { "uno", "otro programa", "nuestra" }));
    }

    void tableFilesUseARollbackJournalAndFullSync()
    {
        // A write-ahead log would let a commit reach one file and not another.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "inspect");
        db.setDatabaseName(m_data->tablePath("tesis.DB"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("PRAGMA journal_mode"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("delete"));
        q.finish();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("inspect");
    }

private:
    std::unique_ptr<TestData> m_data;
};

QTEST_MAIN(TstTransactions)
#include "tst_transactions.moc"
