#pragma once
// One SQLite connection per database directory. Each table file is attached
// under its own name, so statements reach every table by its plain name and a
// transaction spans all files atomically.

#include "dataset.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <set>

class QTemporaryDir;
struct sqlite3;

namespace vdb {

// Where a database name points on this machine's file system.
void setDatabaseDirectory(const QString& databaseName, const QString& directory);
QString databaseDirectory(const QString& databaseName);

// Creates a table file with one table of the given fields, a side table that
// keeps each distinct picture once when a field is a graphic one, and an index
// over `key` when given. Fails when the file exists: an existing file is never
// touched.
void createTableFile(const QString& path, const std::vector<FieldDef>& fields, const std::vector<FieldDef>& key = {});

// The side table of a table's pictures (absent from older files, whose rows
// hold their pictures themselves).
QString pictureTableOf(const QString& schema);
// A field's value as the dataset reads it, for statements that must find
// rows exactly as a walk comparing texts would.
QString keyExpression(const FieldDef& field);

// Whether a file may be written: the write permission bits count even for
// the superuser.
bool fileWritable(const QString& path);

// While one lives, `started` runs (and must not throw) each time a statement
// of the program starts waiting for another program's lock on a file.
class LockWaitNotice
{
public:
    explicit LockWaitNotice(std::function<void()> started);
    ~LockWaitNotice();
    LockWaitNotice(const LockWaitNotice&) = delete;
    LockWaitNotice& operator=(const LockWaitNotice&) = delete;

private:
    std::function<void()> m_started;
    std::function<void()>* m_outer;
};

// Reads the field list of the table kept in a file; fails with a clear
// message when the file is not one of this program's table files.
std::vector<FieldDef> tableFileFields(const QString& path);

class Database
{
public:
    static Database& forName(const QString& databaseName);
    static void closeAll();

    ~Database();
    QString directory() const { return m_directory; }

    // Attaches the table file (schema named after the file) and returns the
    // schema name. Throws with the file's name when it cannot be used.
    QString attach(const QString& tableFile);
    // Attaches every table file of the directory not yet attached; returns
    // the problems met (a bad file is left as it is).
    QStringList attachExisting();
    // Fails when the attached file was deleted or replaced since it was
    // attached: writes would reach the old file and be lost.
    void requireSameFile(const QString& tableFile) const;
    QString filePath(const QString& tableFile) const;

    // Changes whenever the rows of an attached table file may have changed,
    // by this program or another one; empty when it cannot tell. Read it in
    // a transaction, after reading from the file.
    QString contentsVersion(const QString& tableFile) const;
    // The engine's own connection, for reading many rows at once.
    sqlite3* nativeHandle() const;

    QSqlQuery prepare(const QString& sql);
    // A statement kept prepared for every later use of the same text, for
    // those run on every answer (finish() one whose rows are not all read).
    QSqlQuery& statement(const QString& sql);
    // The same through the engine's own interface; reset it after use, never
    // finalize it. Null when the text does not compile.
    sqlite3_stmt* engineStatement(const QByteArray& sql);
    void exec(QSqlQuery& query, const QString& what);
    // The message for a table file locked by another program.
    Error busyError() const;
    void execSql(const QString& sql, const QString& what);

    // Takes the write lock of every table file, or of just the files named.
    void begin(const QStringList& writing = {});
    void commit();
    void rollback();
    bool inTransaction() const { return m_depth > 0; }

    void registerDataSet(DataSet* dataSet);
    void unregisterDataSet(DataSet* dataSet);
    static void forgetDataSet(DataSet* dataSet); // from every database

private:
    explicit Database(const QString& directory);
    void reloadDataSets();
    void detach(const QString& schema);
    void forgetStatements();
    // The table files of the directory; listed again once it has changed.
    QStringList tableFiles();

    QString m_directory;
    QStringList m_tableFiles;
    QString m_listedState; // the directory as it was when m_tableFiles was listed
    QString m_connection;
    std::unique_ptr<QTemporaryDir> m_mainDir;
    std::map<QString, QString> m_attached; // schema -> file path
    std::map<QString, QString> m_identity; // schema -> the attached file's identity
    std::map<QString, quint64> m_attachment; // schema -> which attachment of the program it is
    quint64 m_attachments = 0;
    std::map<QString, bool> m_readOnly; // schema -> attached read-only
    int m_depth = 0;
    bool m_rollbackOnly = false;
    std::set<DataSet*> m_dataSets;
    std::map<QString, QSqlQuery> m_statements;
    std::map<QByteArray, sqlite3_stmt*> m_engineStatements;
};

QString schemaOf(const QString& tableFile);

} // namespace vdb
