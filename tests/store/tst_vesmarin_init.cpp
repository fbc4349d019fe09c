// The vesmarin-init command: creates only the missing table files and never
// changes one that exists.

#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace testing_support;

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
        m_dir = QDir(m_home->filePath(QStringLiteral("vesmarin")));
    }

    void createsOnlyWhatIsMissing()
    {
        auto file = [this](const char* name) { return m_dir.filePath(QLatin1String(name)); };
        QCOMPARE(runInit(), 0);
        // Each file's fields as it declares them: names, 16-bit numbers, text widths.
        const QStringList layouts[] = { { "Edicion SMALLINT", "Num SMALLINT", "Num_ico SMALLINT", "Total_ico SMALLINT",
                                            "Direccion VARCHAR(255)" },
            { "Edicion SMALLINT", "Preguntas VARCHAR(75)" },
            { "Edicion SMALLINT", "Pregunta VARCHAR(75)", "Icono SMALLINT", "Tiempo VARCHAR(12)", "Grafico BLOB",
                "Suma_tiempo SMALLINT", "Rep_icono SMALLINT", "Promedio SMALLINT" } };
        int i = 0;
        for (const char* table : { "variables", "preguntas", "tesis" }) {
            const QString path = file(table) + QStringLiteral(".DB");
            QVERIFY2(m_out.contains(path), qPrintable(m_out));
            QStringList declared;
            withTableFile(path, [&](QSqlDatabase& db) {
                QSqlQuery q(db);
                QVERIFY(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table))));
                while (q.next())
                    declared << q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString().toUpper();
            });
            QCOMPARE(declared, layouts[i++]);
        }
        withTableFile(file("preguntas.DB"),
            [](QSqlDatabase& db) { execOn(db, QStringLiteral("INSERT INTO preguntas VALUES (1, 'hola')")); });
        const QByteArray variables = fileBytes(file("variables.DB"));
        const QByteArray preguntas = fileBytes(file("preguntas.DB"));
        QCOMPARE(runInit(), 0);
        QVERIFY(QFile::remove(file("tesis.DB")));
        QCOMPARE(runInit(), 0);
        QVERIFY(m_out.contains(file("tesis.DB")));
        QVERIFY(!m_out.contains(QStringLiteral("variables.DB")));
        QCOMPARE(fileBytes(file("variables.DB")), variables);
        QCOMPARE(fileBytes(file("preguntas.DB")), preguntas);
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
        QVERIFY(QDir().mkpath(m_dir.path()));
        const QString path = m_dir.filePath(QStringLiteral("variables.DB"));
        if (sql.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        } else {
            withTableFile(path, [&](QSqlDatabase& db) { execOn(db, sql); });
        }
        const QByteArray before = fileBytes(path);
        QVERIFY(runInit() != 0);
        QVERIFY2(m_err.contains(QStringLiteral("variables.DB")), qPrintable(m_err));
        QCOMPARE(fileBytes(path), before);
        // The missing tables are still created.
        QVERIFY(QFileInfo::exists(m_dir.filePath(QStringLiteral("tesis.DB"))));
    }

private:
    // Runs the command as a user would; its exit code, -1 when it did not end normally.
    int runInit()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->path());
        p.setProcessEnvironment(env);
        p.start(m_program, {});
        const bool ended = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
        m_out = QString::fromLocal8Bit(p.readAllStandardOutput());
        m_err = QString::fromLocal8Bit(p.readAllStandardError());
        return ended ? p.exitCode() : -1;
    }

    QString m_program;
    QDir m_dir;
    QString m_out;
    QString m_err;
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_MAIN(TstVesmarinInit)
#include "tst_vesmarin_init.moc"
