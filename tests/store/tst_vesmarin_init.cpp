// The vesmarin-init command: creates only the missing table files and never
// changes one that exists.

#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

using namespace testing_support;

class TstVesmarinInit : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<QTemporaryDir>(); }

    void createsOnlyWhatIsMissing()
    {
        QCOMPARE(runInit(), 0);
        // Each file's fields as it declares them: names, 16-bit numbers, text widths.
        QStringList declared;
        for (const char* table : { "variables", "preguntas", "tesis" }) {
            QVERIFY2(m_out.contains(file(table)), qPrintable(m_out));
            declared << fileRows(
                file(table), QStringLiteral("pragma_table_info('%1')").arg(table), "name || ' ' || type")
                            .join(", ");
        }
        QCOMPARE(declared,
            (QStringList {
                "Edicion SMALLINT, Num SMALLINT, Num_ico SMALLINT, Total_ico SMALLINT, Direccion VARCHAR(255)",
                "Edicion SMALLINT, Preguntas VARCHAR(75)",
                "Edicion SMALLINT, Pregunta VARCHAR(75), Icono SMALLINT, Tiempo VARCHAR(12), Grafico BLOB, "
                "Suma_tiempo SMALLINT, Rep_icono SMALLINT, Promedio SMALLINT" }));
        withTableFile(
            file("preguntas"), [](QSqlDatabase& db) { execOn(db, "INSERT INTO preguntas VALUES (1, 'hola')"); });
        const QByteArray kept = fileBytes(file("variables")) + fileBytes(file("preguntas"));
        QVERIFY(QFile::remove(file("tesis")));
        QCOMPARE(runInit(), 0);
        QCOMPARE(m_out, "Creada la tabla " + file("tesis") + "\n");
        QCOMPARE(fileBytes(file("variables")) + fileBytes(file("preguntas")), kept);
    }

    void reportsAFileThatIsNotATable_data()
    {
        // The file's bytes, or the statement that makes it; why it is refused.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        QTest::newRow("text") << QByteArray("Edicion;Num\n1;2\n") << "file is not a database";
        QTest::newRow("empty") << QByteArray() << "no contiene la tabla 'variables'";
        QTest::newRow("field missing") << QByteArray("CREATE TABLE variables (Edicion SMALLINT, Num SMALLINT)")
                                       << "falta el campo 'Num_ico'";
        QTest::newRow("field of another kind")
            << QByteArray("CREATE TABLE variables (Edicion TEXT, Num INT, Num_ico INT, Total_ico INT, Direccion TEXT)")
            << "el campo 'Edicion' es String, no SmallInt";
    }
    void reportsAFileThatIsNotATable()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        QVERIFY(QDir().mkpath(m_home->filePath("vesmarin")));
        const QString path = file("variables");
        if (content.startsWith("CREATE")) {
            withTableFile(path, [&](QSqlDatabase& db) { execOn(db, QString::fromLatin1(content)); });
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        const QByteArray before = fileBytes(path);
        QCOMPARE(runInit(), 1);
        QVERIFY2(m_err.startsWith("El archivo '" + path + "' no es una tabla válida: ") && m_err.contains(why),
            qPrintable(m_err));
        QCOMPARE(fileBytes(path), before);
        QVERIFY(QFileInfo::exists(file("tesis"))); // the missing tables are still created
    }

private:
    QString file(const char* table) const { return m_home->filePath(QStringLiteral("vesmarin/%1.DB").arg(table)); }
    // Runs the command as a user would; its exit code, -1 when it did not end normally.
    int runInit()
    {
        qputenv("XDG_DATA_HOME", m_home->path().toUtf8());
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../../vesmarin-init"), {});
        const bool ended = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
        m_out = QString::fromLocal8Bit(p.readAllStandardOutput());
        m_err = QString::fromLocal8Bit(p.readAllStandardError());
        return ended ? p.exitCode() : -1;
    }

    QString m_out;
    QString m_err;
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_MAIN(TstVesmarinInit)
#include "tst_vesmarin_init.moc"
