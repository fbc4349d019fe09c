#include "database.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>

#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vdb {

namespace {

std::map<QString, QString>& directories()
{
    static std::map<QString, QString> dirs;
    return dirs;
}

// Never destroyed at exit: a connection must close while Qt's SQL layer is
// still there, which the program sees to with closeAll() before it ends.
std::map<QString, std::unique_ptr<Database>>& databases()
{
    static auto* dbs = new std::map<QString, std::unique_ptr<Database>>;
    return *dbs;
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
    FieldDef def { name, FieldType::String, 0 };
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

QString sqliteUri(const QString& path, bool readOnly = false)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
        + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
}

#ifdef Q_OS_UNIX
// Device and inode: tells a file from another one later put at its path.
QString identityOf(const struct stat& st)
{
    return QStringLiteral("%1:%2").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino));
}
#endif

QString fileIdentity(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return identityOf(st);
#endif
    return QFileInfo(path).birthTime().toString(Qt::ISODateWithMs);
}

// A table file as it is now, from as few looks at the disk as can tell:
// every transaction asks again of every file.
struct FileNow
{
    bool regular = false;
    QString identity;
    bool writable = false;
};

FileNow lookAt(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0)
        return {};
    // Write permission bits, and a place the program may write to.
    return { S_ISREG(st.st_mode), identityOf(st),
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(name.constData(), W_OK) == 0 };
#else
    const QFileInfo info(path);
    return { info.exists() && info.isFile(), fileIdentity(path), fileWritable(path) };
#endif
}

// How long a statement waits for another program's lock on a table file
// before the user is told: long enough for another program's write to end,
// short enough not to look like a hang.
constexpr int kBusyTimeoutMs = 2000;

std::function<void()>* g_lockWaitStarted = nullptr;

// The engine's wait for another program's lock, as long as its own timeout
// would wait, told to whoever listens as it starts.
int waitForLock(void*, int attempt)
{
    constexpr int kStepMs = 5;
    if (attempt == 0 && g_lockWaitStarted && *g_lockWaitStarted)
        (*g_lockWaitStarted)();
    if (attempt * kStepMs >= kBusyTimeoutMs)
        return 0;
    sqlite3_sleep(kStepMs);
    return 1;
}

bool isBusy(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt();
    return (code & 0xff) == 5 || (code & 0xff) == 6; // SQLITE_BUSY, SQLITE_LOCKED
}

// Whether another connection holds a lock that keeps us from writing a file:
// a writer's, or, unless we are reading the file ourselves, a reader's.
bool lockedElsewhere(const QString& path, bool readingItOurselves)
{
    sqlite3* probe = nullptr;
    bool locked = false;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &probe, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        locked = sqlite3_exec(probe, readingItOurselves ? "BEGIN IMMEDIATE; ROLLBACK" : "BEGIN EXCLUSIVE; ROLLBACK",
                     nullptr, nullptr, nullptr)
            == SQLITE_BUSY;
    sqlite3_close(probe);
    return locked;
}

// The "*.DB" regular files of a folder (any case, links followed, hidden ones
// left out), by name. Read in one pass: the list is made again whenever the
// folder changes, and another program's journal coming and going changes it.
QStringList listTableFiles(const QString& directory)
{
#ifdef Q_OS_UNIX
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(directory).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.startsWith(QLatin1Char('.')) || !name.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive))
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st
            {
            };
            regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
        }
        if (regular)
            names << name;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
#else
    return QDir(directory).entryList({ QStringLiteral("*.DB") }, QDir::Files);
#endif
}

} // namespace

QString pictureTableOf(const QString& schema)
{
    return schema + QStringLiteral("_graficos");
}

QString keyExpression(const FieldDef& field)
{
    // The value as a field of that type reads it: a whole number for a 16-bit
    // field (what the engine makes of any stored value), a text otherwise.
    return QStringLiteral("CAST(%1 AS %2)")
        .arg(quoteName(field.name),
            field.type == FieldType::SmallInt ? QStringLiteral("INTEGER") : QStringLiteral("TEXT"));
}

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

LockWaitNotice::LockWaitNotice(std::function<void()> started)
    : m_started(std::move(started))
    , m_outer(g_lockWaitStarted)
{
    g_lockWaitStarted = &m_started;
}

LockWaitNotice::~LockWaitNotice()
{
    g_lockWaitStarted = m_outer;
}

bool fileWritable(const QString& path)
{
    // Write permission bits count even for the superuser: a table file marked
    // read-only is treated as such.
#ifdef Q_OS_UNIX
    return lookAt(path).writable;
#else
    const QFileInfo info(path);
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
#endif
}

void createTableFile(const QString& path, const std::vector<FieldDef>& fields, const std::vector<FieldDef>& key)
{
    // Claiming the name first means a file that appears meanwhile is never
    // opened and written as if it were new.
    {
        QFile claim(path);
        if (!claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                throw Error(QStringLiteral("El archivo '%1' ya existe").arg(QDir::toNativeSeparators(path)));
            throw Error(QStringLiteral("No se puede crear la tabla '%1': %2")
                            .arg(QDir::toNativeSeparators(path), claim.errorString()));
        }
    }
    static std::atomic<int> serial { 0 };
    const QString connection = QStringLiteral("vdb-create-%1").arg(++serial);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QStringList cols;
        for (const auto& f : fields)
            cols << quoteName(f.name) + QLatin1Char(' ') + sqlTypeOf(f);
        const QString table = quoteName(schemaOf(path));
        const QString sql = QStringLiteral("CREATE TABLE %1 (%2)").arg(table, cols.join(QStringLiteral(", ")));
        QStringList extra;
        // Pictures are kept once each, in a side table keyed by their digest;
        // the rows refer to them, so they stay small whatever the pictures.
        const bool hasGraphic
            = std::any_of(fields.begin(), fields.end(), [](const FieldDef& f) { return f.type == FieldType::Graphic; });
        if (hasGraphic)
            extra << QStringLiteral("CREATE TABLE %1 (Resumen BLOB UNIQUE, Grafico BLOB)")
                         .arg(quoteName(pictureTableOf(schemaOf(path))));
        if (!key.empty()) {
            QStringList parts;
            for (const FieldDef& f : key)
                parts << keyExpression(f);
            extra << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                         .arg(quoteName(schemaOf(path) + QStringLiteral("_clave")), table,
                             parts.join(QStringLiteral(", ")));
        }
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA journal_mode=DELETE"))
                || !q.exec(QStringLiteral("PRAGMA synchronous=FULL")) || !q.exec(QStringLiteral("BEGIN"))
                || !q.exec(sql)
                || !std::all_of(extra.begin(), extra.end(), [&q](const QString& e) { return q.exec(e); })
                || !q.exec(QStringLiteral("COMMIT")))
                failure = q.lastError().text();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty()) {
        QFile::remove(path); // the file is the one just claimed here
        throw Error(QStringLiteral("No se puede crear la tabla '%1': %2").arg(QDir::toNativeSeparators(path), failure));
    }
}

std::vector<FieldDef> tableFileFields(const QString& path)
{
    static std::atomic<int> serial { 0 };
    const QString connection = QStringLiteral("vdb-inspect-%1").arg(++serial);
    std::vector<FieldDef> fields;
    QString failure;
    {
        // Read-only: a file that is not one of ours is never written.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(sqliteUri(path, true));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!QFileInfo(path).isFile()) {
            failure = QStringLiteral("no es un archivo");
        } else if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoteName(schemaOf(path)))))
                failure = q.lastError().text();
            while (failure.isEmpty() && q.next())
                fields.push_back(fieldFromDeclaredType(q.value(1).toString(), q.value(2).toString()));
            if (failure.isEmpty() && fields.empty())
                failure = QStringLiteral("no contiene la tabla '%1'").arg(schemaOf(path));
            q.finish();
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw Error(
            QStringLiteral("El archivo '%1' no es una tabla válida: %2").arg(QDir::toNativeSeparators(path), failure));
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
{
    static int serial = 0;
    m_connection = QStringLiteral("vdb-%1").arg(++serial);
    // The main database must be a real file: only then does a commit over
    // several attached files happen atomically. It lives beside the tables so
    // that the commit record of an interrupted commit survives a restart
    // (a temporary folder may be emptied at boot, which would leave the
    // table files half committed).
    QString mainPath;
    const QFileInfo dirInfo(directory);
    if (dirInfo.isDir() && fileWritable(directory)) {
        mainPath = QDir(directory).filePath(QStringLiteral(".vesmarin-commit.sqlite"));
    } else {
        m_mainDir = std::make_unique<QTemporaryDir>();
        mainPath = m_mainDir->filePath(QStringLiteral("main.sqlite"));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(mainPath);
    // URIs let each table file be attached read-write or read-only.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
        throw Error(QStringLiteral("No se puede abrir la base de datos: %1").arg(db.lastError().text()));
    if (sqlite3* handle = nativeHandle())
        sqlite3_busy_handler(handle, waitForLock, nullptr);
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA main.journal_mode=DELETE"));
    q.exec(QStringLiteral("PRAGMA main.synchronous=FULL"));
}

Database::~Database()
{
    forgetStatements();
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

void Database::forgetStatements()
{
    m_statements.clear();
    for (const auto& [sql, stmt] : m_engineStatements)
        sqlite3_finalize(stmt);
    m_engineStatements.clear();
}

void Database::detach(const QString& schema)
{
    forgetStatements();
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.exec(QStringLiteral("DETACH DATABASE %1").arg(quoteName(schema)));
    m_attached.erase(schema);
    m_identity.erase(schema);
    m_attachment.erase(schema);
    m_readOnly.erase(schema);
}

QString Database::attach(const QString& tableFile)
{
    const QString schema = schemaOf(tableFile);
    const QString path = filePath(tableFile);
    const QString shown = QDir::toNativeSeparators(path);
    const FileNow now = lookAt(path);
    if (!now.regular) {
        if (m_attached.count(schema) && !inTransaction())
            detach(schema);
        throw Error(QStringLiteral("No se encuentra el archivo de tabla '%1'").arg(shown));
    }
    if (m_attached.count(schema)) {
        // A file replaced since it was attached (restored from a copy, made
        // anew) must not be written through the handle of the old one.
        // A file made writable again (or write-protected) is attached anew in
        // its new mode, so the next write reaches it (or is refused).
        if (inTransaction() || (m_identity[schema] == now.identity && m_readOnly[schema] == !now.writable))
            return schema;
        detach(schema);
    }
    if (!QFileInfo(path).isReadable())
        throw Error(QStringLiteral("No se puede leer el archivo de tabla '%1'").arg(shown));
    if (inTransaction())
        throw Error(QStringLiteral("No se puede abrir '%1' durante una transacción").arg(shown));

    // A write-protected file is attached read-only, so nothing can change it.
    const bool readOnly = !fileWritable(path);
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteName(schema)));
    q.addBindValue(sqliteUri(path, readOnly));
    if (!q.exec())
        throw Error(QStringLiteral("No se puede abrir el archivo de tabla '%1': %2").arg(shown, q.lastError().text()));
    m_attached[schema] = path;
    m_identity[schema] = fileIdentity(path);
    m_attachment[schema] = ++m_attachments;
    m_readOnly[schema] = readOnly;
    // Reading the schema now turns a corrupt or foreign file into an error here.
    QSqlQuery check(QSqlDatabase::database(m_connection));
    bool ok
        = check.prepare(QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type = 'table' AND lower(name) = ?")
                            .arg(quoteName(schema)));
    if (ok) {
        check.addBindValue(schema);
        ok = check.exec();
    }
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
    if (!readOnly) {
        // Rollback journal (a write-ahead log cannot commit several files
        // atomically) and every commit on disk before the call returns. The
        // journal file stays between commits, its header cleared at each
        // commit's end (no recovery plays such a journal back): making and
        // removing a file on every answer costs more than the answer's own
        // writes. A large commit's journal is cut back afterwards.
        QSqlQuery pragma(QSqlDatabase::database(m_connection));
        pragma.exec(QStringLiteral("PRAGMA %1.journal_mode=PERSIST").arg(quoteName(schema)));
        pragma.exec(QStringLiteral("PRAGMA %1.journal_size_limit=1048576").arg(quoteName(schema)));
        pragma.exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(quoteName(schema)));
    }
    return schema;
}

void Database::requireSameFile(const QString& tableFile) const
{
    const auto it = m_identity.find(schemaOf(tableFile));
    if (it != m_identity.end() && it->second != fileIdentity(filePath(tableFile)))
        throw Error(QStringLiteral("El archivo de tabla '%1' ha sido borrado o reemplazado: cierre la tabla y vuelva a "
                                   "abrirla")
                        .arg(QDir::toNativeSeparators(filePath(tableFile))));
}

QStringList Database::tableFiles()
{
    // A file put in or taken out changes the directory's times. A listing
    // made soon after the last change is not kept: the file system's clock
    // moves in steps of some milliseconds, and another change within the
    // same step would leave the times as they were.
    QString state;
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(m_directory).constData(), &st) == 0) {
        const qint64 changedNs = qMax(qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
        if (QDateTime::currentMSecsSinceEpoch() - changedNs / 1000000 > 100)
            state = QStringLiteral("%1:%2:%3").arg(qulonglong(st.st_dev)).arg(qulonglong(st.st_ino)).arg(changedNs);
    }
#endif
    if (state.isEmpty() || state != m_listedState)
        m_tableFiles = listTableFiles(m_directory);
    m_listedState = state;
    return m_tableFiles;
}

QStringList Database::attachExisting()
{
    QStringList problems;
    for (const QString& file : tableFiles()) {
        try {
            attach(file);
        } catch (const Error& e) {
            problems << e.text();
        }
    }
    return problems;
}

QString Database::contentsVersion(const QString& tableFile) const
{
    // The engine's count moves with every commit to the file, ours included;
    // a file attached again starts a count of its own.
    const QString schema = schemaOf(tableFile);
    const auto attachment = m_attachment.find(schema);
    sqlite3* handle = nativeHandle();
    unsigned int version = 0;
    if (attachment == m_attachment.end() || !handle
        || sqlite3_file_control(handle, schema.toUtf8().constData(), SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK)
        return {};
    return QStringLiteral("%1/%2").arg(attachment->second).arg(version);
}

sqlite3* Database::nativeHandle() const
{
    const QVariant handle = QSqlDatabase::database(m_connection, false).driver()->handle();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
        ? *static_cast<sqlite3* const*>(handle.data())
        : nullptr;
}

QSqlQuery Database::prepare(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw Error(q.lastError().text());
    return q;
}

QSqlQuery& Database::statement(const QString& sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, prepare(sql)).first;
    return it->second;
}

sqlite3_stmt* Database::engineStatement(const QByteArray& sql)
{
    auto it = m_engineStatements.find(sql);
    if (it != m_engineStatements.end())
        return it->second;
    sqlite3* handle = nativeHandle();
    sqlite3_stmt* stmt = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    m_engineStatements.emplace(sql, stmt);
    return stmt;
}

void Database::exec(QSqlQuery& query, const QString& what)
{
    if (!query.exec()) {
        const QString why = query.lastError().text();
        if (m_depth > 0)
            m_rollbackOnly = true;
        if (isBusy(query.lastError()))
            throw busyError();
        throw Error(what.isEmpty() ? why : QStringLiteral("%1: %2").arg(what, why));
    }
}

Error Database::busyError() const
{
    QString locked = m_directory;
    sqlite3* own = nativeHandle();
    for (const auto& [schema, path] : m_attached)
        if (lockedElsewhere(path, own && sqlite3_txn_state(own, schema.toUtf8().constData()) != SQLITE_TXN_NONE)) {
            locked = path;
            break;
        }
    return Error(QStringLiteral("La tabla '%1' está siendo usada por otro programa; vuelva a intentarlo")
                     .arg(QDir::toNativeSeparators(locked)));
}

void Database::execSql(const QString& sql, const QString& what)
{
    QSqlQuery& q = statement(sql);
    exec(q, what);
}

void Database::begin(const QStringList& writing)
{
    if (m_depth == 0) {
        // No file can be attached once the transaction runs: attach them now.
        attachExisting();
        m_rollbackOnly = false;
        const QString what = QStringLiteral("No se puede iniciar la transacción");
        if (writing.isEmpty()) {
            execSql(QStringLiteral("BEGIN IMMEDIATE"), what);
        } else {
            for (const QString& file : writing)
                if (!fileWritable(filePath(file)))
                    throw Error(QStringLiteral("El archivo de tabla '%1' es de solo lectura")
                                    .arg(QDir::toNativeSeparators(filePath(file))));
            // The write lock of just the files to be written: a commit that
            // writes one file then needs no journal over several files. The
            // others are still read consistently until the commit.
            execSql(QStringLiteral("BEGIN"), what);
            try {
                for (const QString& file : writing)
                    execSql(
                        QStringLiteral("UPDATE %1.%1 SET rowid = rowid WHERE 0").arg(quoteName(schemaOf(file))), what);
            } catch (const Error&) {
                QSqlQuery(QSqlDatabase::database(m_connection)).exec(QStringLiteral("ROLLBACK"));
                throw;
            }
        }
    }
    ++m_depth;
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
        QSqlQuery& q = statement(QStringLiteral("COMMIT"));
        if (!q.exec()) {
            const QString why = q.lastError().text();
            const bool busy = isBusy(q.lastError());
            QSqlQuery r = prepare(QStringLiteral("ROLLBACK"));
            r.exec();
            reloadDataSets();
            if (busy)
                throw busyError();
            throw Error(QStringLiteral("No se pueden guardar los cambios: %1").arg(why));
        }
    }
}

void Database::rollback()
{
    if (m_depth == 0)
        return;
    if (--m_depth == 0) {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.exec(QStringLiteral("ROLLBACK"));
        reloadDataSets();
    } else {
        m_rollbackOnly = true;
    }
}

Transaction::Transaction(const QString& databaseName, const QStringList& writing)
    : m_databaseName(databaseName)
{
    Database::forName(m_databaseName).begin(writing);
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
    try {
        Database::forName(m_databaseName).rollback();
    } catch (...) {
        // A destructor may run while an error unwinds: the engine has already
        // undone the work when it cannot even roll back.
    }
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
