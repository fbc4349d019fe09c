#include "database.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>

namespace vdb {

namespace {

std::map<QString, QString>& directories()
{
    static std::map<QString, QString> dirs;
    return dirs;
}

std::map<QString, std::unique_ptr<Database>>& databases()
{
    static std::map<QString, std::unique_ptr<Database>> dbs;
    return dbs;
}

QString sqlTypeOf(const FieldDef& field)
{
    switch (field.type) {
    case FieldType::SmallInt:
        return QStringLiteral("SMALLINT");
    case FieldType::String:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::Graphic:
        return QStringLiteral("BLOB");
    }
    return {};
}

FieldDef fieldFromDeclaredType(const QString& name, const QString& declared)
{
    const QString type = declared.toUpper();
    FieldDef def{name, FieldType::String, 0};
    if (type.contains(QLatin1String("INT")))
        def.type = FieldType::SmallInt;
    else if (type.contains(QLatin1String("BLOB")) || type.isEmpty())
        def.type = FieldType::Graphic;
    static const QRegularExpression width(QStringLiteral("\\((\\d+)\\)"));
    const auto m = width.match(type);
    if (def.type == FieldType::String && m.hasMatch())
        def.size = m.captured(1).toInt();
    return def;
}

QString quoteName(const QString& name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString sqliteUri(const QString& path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
}

} // namespace

QString schemaOf(const QString& tableFile)
{
    return QFileInfo(tableFile).completeBaseName().toLower();
}

void setDatabaseDirectory(const QString& databaseName, const QString& directory)
{
    directories()[databaseName] = directory;
    databases().erase(databaseName);
}

QString databaseDirectory(const QString& databaseName)
{
    const auto it = directories().find(databaseName);
    return it == directories().end() ? databaseName : it->second;
}

static QSqlDatabase openPlainFile(const QString& path, const QString& connection, bool create)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(create ? path : sqliteUri(path));
    db.setConnectOptions(create ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000")
                                : QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        throw Error(QStringLiteral("No se puede abrir el archivo de tabla '%1': %2")
                        .arg(QDir::toNativeSeparators(path), db.lastError().text()));
    return db;
}

void createTableFile(const QString& path, const std::vector<FieldDef>& fields)
{
    if (QFileInfo::exists(path))
        throw Error(QStringLiteral("El archivo '%1' ya existe").arg(path));
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("vdb-create-%1").arg(++serial);
    {
        QSqlDatabase db = openPlainFile(path, connection, true);
        QStringList cols;
        for (const auto& f : fields)
            cols << quoteName(f.name) + QLatin1Char(' ') + sqlTypeOf(f);
        QSqlQuery q(db);
        const QString sql = QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteName(schemaOf(path)), cols.join(QStringLiteral(", ")));
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) || !q.exec(sql)) {
            const QString why = q.lastError().text();
            db.close();
            throw Error(QStringLiteral("No se puede crear la tabla '%1': %2").arg(path, why));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

std::vector<FieldDef> tableFileFields(const QString& path)
{
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("vdb-inspect-%1").arg(++serial);
    std::vector<FieldDef> fields;
    QString failure;
    {
        QSqlDatabase db = openPlainFile(path, connection, false);
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(schemaOf(path)))))
            failure = q.lastError().text();
        while (failure.isEmpty() && q.next())
            fields.push_back(fieldFromDeclaredType(q.value(1).toString(), q.value(2).toString()));
        if (failure.isEmpty() && fields.empty())
            failure = QStringLiteral("no contiene la tabla '%1'").arg(schemaOf(path));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw Error(QStringLiteral("El archivo '%1' no es una tabla válida: %2")
                        .arg(QDir::toNativeSeparators(path), failure));
    return fields;
}

Database& Database::forName(const QString& databaseName)
{
    auto& dbs = databases();
    auto it = dbs.find(databaseName);
    if (it == dbs.end())
        it = dbs.emplace(databaseName, std::unique_ptr<Database>(new Database(databaseDirectory(databaseName)))).first;
    return *it->second;
}

void Database::closeAll()
{
    databases().clear();
}

Database::Database(const QString& directory)
    : m_directory(directory)
    , m_mainDir(std::make_unique<QTemporaryDir>())
{
    static int serial = 0;
    m_connection = QStringLiteral("vdb-%1").arg(++serial);
    // The main database must be a real file: only then does a commit over
    // several attached files happen atomically.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_mainDir->filePath(QStringLiteral("main.sqlite")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open())
        throw Error(QStringLiteral("No se puede abrir la base de datos: %1").arg(db.lastError().text()));
}

Database::~Database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QString Database::filePath(const QString& tableFile) const
{
    return QDir(m_directory).filePath(tableFile);
}

void Database::detach(const QString& schema)
{
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.exec(QStringLiteral("DETACH DATABASE %1").arg(quoteName(schema)));
    m_attached.erase(schema);
}

QString Database::attach(const QString& tableFile)
{
    const QString schema = schemaOf(tableFile);
    const QString path = filePath(tableFile);
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        if (m_attached.count(schema) && !inTransaction())
            detach(schema);
        throw Error(QStringLiteral("No se encuentra el archivo de tabla '%1'").arg(shown));
    }
    if (m_attached.count(schema))
        return schema;
    if (!info.isReadable())
        throw Error(QStringLiteral("No se puede leer el archivo de tabla '%1'").arg(shown));
    if (inTransaction())
        throw Error(QStringLiteral("No se puede abrir '%1' durante una transacción").arg(shown));

    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteName(schema)));
    q.addBindValue(sqliteUri(path));
    if (!q.exec())
        throw Error(QStringLiteral("No se puede abrir el archivo de tabla '%1': %2").arg(shown, q.lastError().text()));
    m_attached[schema] = path;
    // Reading the schema now turns a corrupt or foreign file into an error here.
    QSqlQuery check(QSqlDatabase::database(m_connection));
    const bool ok = check.exec(QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type='table' AND lower(name)=%2")
                                   .arg(quoteName(schema), QLatin1Char('\'') + schema + QLatin1Char('\'')));
    QString why;
    if (!ok)
        why = check.lastError().text();
    else if (!check.next() || check.value(0).toInt() == 0)
        why = QStringLiteral("no contiene la tabla '%1'").arg(schema);
    check.finish();
    if (!why.isEmpty()) {
        detach(schema);
        throw Error(QStringLiteral("El archivo '%1' no es una tabla válida: %2").arg(shown, why));
    }
    return schema;
}

void Database::attachExisting()
{
    const QDir dir(m_directory);
    for (const QString& file : dir.entryList({QStringLiteral("*.DB")}, QDir::Files)) {
        try {
            attach(file);
        } catch (const Error&) {
            // A statement over this table reports the problem itself.
        }
    }
}

QSqlQuery Database::prepare(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw Error(q.lastError().text());
    return q;
}

void Database::exec(QSqlQuery& query, const QString& what)
{
    if (!query.exec()) {
        const QString why = query.lastError().text();
        if (m_depth > 0)
            m_rollbackOnly = true;
        throw Error(what.isEmpty() ? why : QStringLiteral("%1: %2").arg(what, why));
    }
}

void Database::execSql(const QString& sql, const QString& what)
{
    QSqlQuery q = prepare(sql);
    exec(q, what);
}

void Database::begin()
{
    if (m_depth++ == 0) {
        m_rollbackOnly = false;
        execSql(QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("No se puede iniciar la transacción"));
    }
}

void Database::commit()
{
    if (m_depth == 0)
        return;
    if (--m_depth == 0) {
        if (m_rollbackOnly) {
            execSql(QStringLiteral("ROLLBACK"), {});
            reloadDataSets();
            throw Error(QStringLiteral("La transacción se ha deshecho"));
        }
        QSqlQuery q = prepare(QStringLiteral("COMMIT"));
        if (!q.exec()) {
            const QString why = q.lastError().text();
            QSqlQuery r = prepare(QStringLiteral("ROLLBACK"));
            r.exec();
            reloadDataSets();
            throw Error(QStringLiteral("No se pueden guardar los cambios: %1").arg(why));
        }
    }
}

void Database::rollback()
{
    if (m_depth == 0)
        return;
    if (--m_depth == 0) {
        QSqlQuery q = prepare(QStringLiteral("ROLLBACK"));
        q.exec();
        reloadDataSets();
    } else {
        m_rollbackOnly = true;
    }
}

Transaction::Transaction(const QString& databaseName)
    : m_databaseName(databaseName)
{
    Database::forName(m_databaseName).begin();
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    Database::forName(m_databaseName).commit();
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    m_done = true;
    Database::forName(m_databaseName).rollback();
}

} // namespace vdb

namespace vdb {

void Database::registerDataSet(DataSet* dataSet)
{
    m_dataSets.insert(dataSet);
}

void Database::unregisterDataSet(DataSet* dataSet)
{
    m_dataSets.erase(dataSet);
}

void Database::forgetDataSet(DataSet* dataSet)
{
    for (auto& [name, db] : databases())
        db->unregisterDataSet(dataSet);
}

void Database::reloadDataSets()
{
    // After a rollback the rows held by open datasets no longer match the files.
    const auto sets = m_dataSets;
    for (DataSet* ds : sets)
        ds->reload();
}

} // namespace vdb
