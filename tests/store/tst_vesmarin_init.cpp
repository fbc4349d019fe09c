// The vesmarin-init command: creates only the missing table files and never
// changes one that exists.

#include "platform/db/database.h"
#include "store/data_module.h"
#include "store/tables.h"
#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstVesmarinInit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../../vesmarin-init"));
        QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
    }
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_dir = m_home->filePath(QStringLiteral("vesmarin"));
    }

    void createsTheThreeTablesInAFreshDirectory()
    {
        const Run run = runInit();
        QCOMPARE(run.exitCode, 0);
        for (const TableDef& table : allTables()) {
            const QString path = QDir(m_dir).filePath(table.fileName);
            QVERIFY2(run.out.contains(path), qPrintable(run.out));
            QCOMPARE(vdb::tableFileFields(path).size(), table.fields.size());
        }
        // The tables open through the data module.
        vdb::setDatabaseDirectory(kDatabaseName, m_dir);
        TDataModule6 module;
        vdb::setDatabaseDirectory(kDatabaseName, m_dir);
        module.Table3->open();
        QCOMPARE(module.Table3->recordCount(), 0);
        module.Table3->close();
        vdb::Database::closeAll();
    }

    void secondRunChangesNothing()
    {
        QCOMPARE(runInit().exitCode, 0);
        const QString path = QDir(m_dir).filePath(QStringLiteral("preguntas.DB"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("INSERT INTO preguntas VALUES (1, 'hola')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("w"));
        QMap<QString, QByteArray> before;
        for (const TableDef& table : allTables())
            before[table.fileName] = fileBytes(QDir(m_dir).filePath(table.fileName));
        const Run run = runInit();
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.out.isEmpty());
        for (const TableDef& table : allTables())
            QCOMPARE(fileBytes(QDir(m_dir).filePath(table.fileName)), before[table.fileName]);
    }

    void createsOnlyWhatIsMissing()
    {
        QCOMPARE(runInit().exitCode, 0);
        const QString tesis = QDir(m_dir).filePath(QStringLiteral("tesis.DB"));
        const QByteArray kept = fileBytes(QDir(m_dir).filePath(QStringLiteral("variables.DB")));
        QVERIFY(QFile::remove(tesis));
        const Run run = runInit();
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains(tesis));
        QVERIFY(!run.out.contains(QStringLiteral("variables.DB")));
        QVERIFY(QFileInfo::exists(tesis));
        QCOMPARE(fileBytes(QDir(m_dir).filePath(QStringLiteral("variables.DB"))), kept);
    }

    void reportsAFileThatIsNotATable_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sql");
        QTest::newRow("text file") << QByteArray("Edicion;Num\n1;2\n") << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("other sqlite table") << QByteArray() << "CREATE TABLE agenda (nombre TEXT)";
        QTest::newRow("field missing") << QByteArray() << "CREATE TABLE variables (Edicion SMALLINT, Num SMALLINT)";
    }
    void reportsAFileThatIsNotATable()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QVERIFY(QDir().mkpath(m_dir));
        const QString path = QDir(m_dir).filePath(QStringLiteral("variables.DB"));
        if (sql.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        } else {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(sql));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("w"));
        }
        const QByteArray before = fileBytes(path);
        const Run run = runInit();
        QVERIFY(run.exitCode != 0);
        QVERIFY2(run.err.contains(QStringLiteral("variables.DB")), qPrintable(run.err));
        QCOMPARE(fileBytes(path), before);
        // The missing tables are still created.
        QVERIFY(QFileInfo::exists(QDir(m_dir).filePath(QStringLiteral("tesis.DB"))));
    }

private:
    Run runInit()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->path());
        p.setProcessEnvironment(env);
        p.start(m_program, {});
        if (!p.waitForFinished(30000))
            return {};
        return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError()) };
    }

    QString m_program;
    QString m_dir;
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_MAIN(TstVesmarinInit)
#include "tst_vesmarin_init.moc"
