#pragma once
// Rows written straight into the table files and read back from them, through
// a connection of the test's own, as another program would see the files.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace maintenance {

// Runs `work` on a connection of its own to one table file, then closes it.
inline void withFile(const QString& path, const std::function<void(QSqlDatabase&)>& work)
{
    static int serial = 0;
    const QString name = QStringLiteral("maintenance-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

inline void execOn(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    if (!q.prepare(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

// Rows as "a|b|c" in the order the table keeps them; a blank field reads "".
inline QStringList dump(const QString& path, const QString& table, const QString& columns)
{
    QStringList rows;
    withFile(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns, table)))
            qFatal("dump: %s", qPrintable(q.lastError().text()));
        const int n = columns.count(QLatin1Char(',')) + 1;
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < n; ++i)
                fields << (q.value(i).isNull() ? QString() : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    });
    return rows;
}

// Every column of every row, pictures included, to tell "nothing changed".
inline QStringList dumpAll(const QString& path, const QString& table)
{
    QStringList rows;
    withFile(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(table)))
            qFatal("dump: %s", qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    });
    return rows;
}

// Rows written in the notation of the tests: a parameter row "E|Direccion",
// a question row "E|text", a result row "E|text|icon". An empty E is blank.
inline QVariant editionValue(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text.toInt());
}

inline void writeParameters(const QString& path, const QStringList& rows)
{
    withFile(path, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows) {
            const QStringList f = row.split(QLatin1Char('|'));
            execOn(db,
                QStringLiteral(
                    "INSERT INTO variables (Edicion, Num, Num_ico, Total_ico, Direccion) VALUES (?, 3, 4, 8, ?)"),
                { editionValue(f.value(0)), f.value(1) });
        }
        db.commit();
    });
}

inline void writeQuestions(const QString& path, const QStringList& rows)
{
    withFile(path, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows) {
            const QStringList f = row.split(QLatin1Char('|'));
            execOn(db, QStringLiteral("INSERT INTO preguntas (Edicion, Preguntas) VALUES (?, ?)"),
                { editionValue(f.value(0)), f.value(1) });
        }
        db.commit();
    });
}

inline void writeResults(const QString& path, const QStringList& rows)
{
    withFile(path, [&](QSqlDatabase& db) {
        db.transaction();
        for (const QString& row : rows) {
            const QStringList f = row.split(QLatin1Char('|'));
            execOn(db,
                QStringLiteral("INSERT INTO tesis (Edicion, Pregunta, Icono, Tiempo, Grafico, Suma_tiempo, Rep_icono, "
                               "Promedio) VALUES (?, ?, ?, '0:0:3:120', ?, 6, 2, 3)"),
                { editionValue(f.value(0)), f.value(1), f.value(2).toInt(), QByteArray("BMpicture") });
        }
        db.commit();
    });
}

// A trigger in the file itself that fails one particular write, as a full
// disk or a locked file would part-way through.
inline void failWritesWhere(const QString& path, const QString& table, const QString& operation, const QString& when)
{
    withFile(path, [&](QSqlDatabase& db) {
        execOn(db,
            QStringLiteral("CREATE TRIGGER injected_failure BEFORE %1 ON %2 WHEN %3 "
                           "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END")
                .arg(operation, table, when));
    });
}

} // namespace maintenance
