#pragma once
// Datasets over SQLite table files: a cursor over rows with browse, edit and
// insert states, field rules of the old table format, and errors that carry
// the text the user is shown.

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

struct sqlite3_stmt;

namespace vdb {

// An error whose text is meant for the user as it stands.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

enum class FieldType { SmallInt, String, Graphic };
QString fieldTypeName(FieldType type);

struct FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters, for String
};

enum class State { Inactive, Browse, Edit, Insert };

class Database;
class DataSet;

// One field of the dataset's current row (or of the row being edited).
class Field
{
public:
    Field(DataSet* owner, int index);
    QString fieldName() const;
    FieldType dataType() const;
    int size() const;

    bool isNull() const;
    QString asString() const; // decimal or text; empty when blank
    QVariant value() const; // null QVariant when blank
    void setAsString(const QString& text);
    void clear();

    // Graphic fields: the picture, read from either stored form.
    QImage asImage() const;
    QByteArray asBlob() const; // stored bytes as they are
    void setImage(const QImage& image);
    void setBlob(const QByteArray& bytes);

private:
    DataSet* m_owner;
    int m_index;
};

// A row as the cursor holds it. Pictures are fetched on first use.
struct Row
{
    qint64 rowid = -1;
    std::vector<QVariant> values;
    std::vector<bool> blobLoaded;
    qint64 cells = -1; // where the row's values wait as read, until first used; -1 once made
};

class DataSet : public QObject
{
    Q_OBJECT
public:
    explicit DataSet(QObject* parent = nullptr);
    ~DataSet() override;

    void setDatabaseName(const QString& name) { m_databaseName = name; }
    QString databaseName() const { return m_databaseName; }

    // Declared fields: when present, the dataset exposes exactly these and
    // checks them against the table at open.
    void setDeclaredFields(const std::vector<FieldDef>& fields) { m_declared = fields; }

    void open();
    void close();
    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    void first();
    void last();
    void next();
    void prior();
    bool bof() const;
    bool eof() const;
    bool isEmpty() const;
    int recordCount() const;
    int recNo() const { return m_cursor; } // 0-based; -1 with no row
    // Where the current row is stored in its table file; -1 with no row.
    qint64 rowid() const
    {
        return m_cursor >= 0 && m_cursor < int(m_rows.size()) ? m_rows[size_t(m_cursor)].rowid : -1;
    }

    void edit();
    void insert();
    void append();
    void post();
    void cancel();
    void deleteRecord();

    int fieldCount() const;
    Field fieldByName(const QString& name);
    std::optional<int> findField(const QString& name) const;
    const FieldDef& fieldDef(int index) const;

    // Re-reads the rows from the file, keeping the cursor's position.
    void reload();
    // Puts the cursor on the row stored under `rowid`; false when it is not there.
    bool locate(qint64 rowid);

signals:
    // The current row, the state or the rows changed: bound controls refresh.
    void dataChanged();
    // Just before a post: bound controls hand over what the system set in them.
    void updateRecord();

protected:
    virtual void doOpen() = 0; // fills m_fields and m_rows
    virtual QString tableForWrites() const = 0; // empty: read-only
    virtual QString schemaName() const = 0;
    Database& database();
    void checkDeclared(const std::vector<FieldDef>& actual, const QString& tableFile);

    std::vector<FieldDef> m_fields;
    std::vector<FieldDef> m_declared;
    std::vector<Row> m_rows;
    // A statement's rows as read, made into values when first used.
    struct Cells;
    std::unique_ptr<Cells> m_cells;
    std::vector<int> m_columnOfField; // index into row values per exposed field
    std::vector<FieldDef> m_tableColumns; // every column of the table or result
    QString columnName(int column) const;
    // Per column: the schema whose side table a stored picture number refers
    // to; empty when the column holds its pictures itself.
    std::vector<QString> m_pictureSchema;
    void findPictureTables(const std::vector<QString>& schemaOfColumn);
    // One copy of each distinct picture the rows hold.
    QByteArray intern(const QByteArray& bytes) const;

private:
    friend class Field;
    friend class Table;
    void requireActive() const;
    const Row* currentRowForRead() const;
    Row& rowAt(int index) const; // its values made
    QVariant readValue(int field) const;
    void writeValue(int field, const QVariant& value);
    void loadBlob(Row& row, int column) const;
    QByteArray pictureBytes(const QVariant& stored, int column) const;
    QImage pictureOf(int field) const;
    QVariant storedPicture(const QVariant& value, int column);
    QByteArray encodedPicture(const QImage& image) const;
    void endEditForMove();
    void startBuffer(bool copyCurrent);
    void startInsert(bool appending); // a new row before the current one, or after the last
    void checkWritable();

    QString m_databaseName;
    State m_state = State::Inactive;
    int m_cursor = -1;
    bool m_bof = true;
    bool m_eof = true;
    Row m_buffer; // the row being edited or inserted
    std::vector<bool> m_modified;
    bool m_appending = false;
    std::vector<QString> m_pendingText; // texts set on 16-bit fields, converted at post
    std::vector<bool> m_hasPendingText;
    mutable QSet<QByteArray> m_distinctPictures;
    mutable QHash<qint64, QByteArray> m_pictureById;
    mutable QHash<QByteArray, QImage> m_decoded;
    // Answers store the same few pictures over and over: each is encoded and
    // digested once while it lasts.
    mutable QHash<qint64, QByteArray> m_encoded; // by the image's cache key
    QHash<QByteArray, QByteArray> m_digests;
};

// A table file "<name>.DB" in the database directory.
class Table : public DataSet
{
    Q_OBJECT
public:
    explicit Table(QObject* parent = nullptr);
    void setTableName(const QString& fileName) { m_tableName = fileName; }
    QString tableName() const { return m_tableName; }

    // The rows of the file whose fields read as the given texts, in stored
    // order, found through the file's index when it has one. Called inside a
    // transaction, it decides on the file as it is; the rows found are read
    // again into the dataset, so that editing them starts from their values.
    std::vector<qint64> rowsReading(const std::vector<std::pair<QString, QString>>& fieldTexts);
    // Reads these rows again from the file: a row gone leaves the dataset, a
    // row new to it takes its place in stored order.
    void refreshRows(const std::vector<qint64>& rowids);

protected:
    void doOpen() override;
    QString tableForWrites() const override;
    QString schemaName() const override;

private:
    // A statement reading every column but the pictures, rowid first.
    sqlite3_stmt* prepareRowRead(const QString& condition);
    QByteArray rowReadSql(const QString& condition) const;
    Error rowReadError() const;
    QString m_tableName;
};

// A statement over the tables; values travel as bound parameters.
class Query : public DataSet
{
    Q_OBJECT
public:
    explicit Query(QObject* parent = nullptr);
    void clearSql();
    // One line of the statement; each '?' in it takes the next value.
    void addSql(const QString& line, const QVariantList& values = {});
    QString sql() const { return m_sql.join(QLatin1Char('\n')); }

protected:
    void doOpen() override;
    QString tableForWrites() const override { return {}; }
    QString schemaName() const override { return {}; }

private:
    QStringList m_sql;
    QVariantList m_values;
};

// Runs a block as one transaction over every table file: commits when the
// scope is left normally, rolls back when it is left by an exception.
class Transaction
{
public:
    // `writing`: the only table files the block writes (every file when empty).
    explicit Transaction(const QString& databaseName, const QStringList& writing = {});
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    QString m_databaseName;
    bool m_done = false;
};

// The stored form of a picture: an 8-byte header and a bitmap file image.
QByteArray encodeGraphic(const QImage& image);
QByteArray encodeGraphicBytes(const QByteArray& bitmapFile);
QByteArray bitmapFileOfGraphic(const QByteArray& blob);
QImage decodeGraphic(const QByteArray& blob);

} // namespace vdb
