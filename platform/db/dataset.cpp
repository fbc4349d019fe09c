#include "dataset.h"

#include "database.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vdb {

Error::Error(const QString& text)
    : std::runtime_error(text.toStdString())
    , m_text(text)
{
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::SmallInt:
        return QStringLiteral("SmallInt");
    case FieldType::String:
        return QStringLiteral("String");
    case FieldType::Graphic:
        return QStringLiteral("Graphic");
    }
    return {};
}

namespace {

// Enough for the pictures of a survey's icon window and then some.
constexpr qsizetype kRememberedPictures = 64;

QString quoteName(const QString& name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

FieldType typeOfSqlField(const QSqlField& field)
{
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return FieldType::SmallInt;
    case QMetaType::QByteArray:
        return FieldType::Graphic;
    default:
        return FieldType::String;
    }
}

// At most `width` characters, cut between characters: a character outside the
// basic plane is never split into half a pair.
QString cutToWidth(const QString& text, int width)
{
    if (width <= 0 || text.size() <= width)
        return text;
    qsizetype units = 0;
    for (int chars = 0; chars < width && units < text.size(); ++chars)
        units += text.at(units).isHighSurrogate() && units + 1 < text.size() && text.at(units + 1).isLowSurrogate() ? 2
                                                                                                                    : 1;
    return text.left(units);
}

QVariant normalised(const QVariant& value, FieldType type)
{
    if (value.isNull())
        return {};
    switch (type) {
    case FieldType::SmallInt:
        return QVariant(value.toInt());
    case FieldType::String:
        return QVariant(value.toString());
    case FieldType::Graphic:
        return QVariant(value.toByteArray());
    }
    return value;
}

} // namespace

// ---- Field ----------------------------------------------------------------

Field::Field(DataSet* owner, int index)
    : m_owner(owner)
    , m_index(index)
{
}

QString Field::fieldName() const
{
    return m_owner->fieldDef(m_index).name;
}
FieldType Field::dataType() const
{
    return m_owner->fieldDef(m_index).type;
}
int Field::size() const
{
    return m_owner->fieldDef(m_index).size;
}

bool Field::isNull() const
{
    if (m_owner->m_hasPendingText.size() > size_t(m_index) && m_owner->m_hasPendingText[m_index])
        return m_owner->m_pendingText[m_index].isEmpty();
    return m_owner->readValue(m_index).isNull();
}

QString Field::asString() const
{
    if (m_owner->m_hasPendingText.size() > size_t(m_index) && m_owner->m_hasPendingText[m_index])
        return m_owner->m_pendingText[m_index];
    const QVariant v = m_owner->readValue(m_index);
    if (v.isNull())
        return {};
    if (dataType() == FieldType::Graphic)
        return QStringLiteral("(GRAPHIC)");
    return v.toString();
}

QVariant Field::value() const
{
    if (m_owner->m_hasPendingText.size() > size_t(m_index) && m_owner->m_hasPendingText[m_index])
        return m_owner->m_pendingText[m_index].isEmpty() ? QVariant() : QVariant(m_owner->m_pendingText[m_index]);
    return m_owner->readValue(m_index);
}

void Field::setAsString(const QString& text)
{
    switch (dataType()) {
    case FieldType::SmallInt:
        // Converted when the row is posted: a bad text stops the post there.
        m_owner->writeValue(m_index, QVariant());
        m_owner->m_pendingText[m_index] = text;
        m_owner->m_hasPendingText[m_index] = true;
        break;
    case FieldType::String: {
        // An empty text leaves the field blank, as in the old table format.
        const int width = size();
        m_owner->writeValue(m_index, text.isEmpty() ? QVariant() : QVariant(cutToWidth(text, width)));
        break;
    }
    case FieldType::Graphic:
        m_owner->writeValue(m_index, text.isEmpty() ? QVariant() : QVariant(text.toUtf8()));
        break;
    }
}

void Field::clear()
{
    m_owner->writeValue(m_index, QVariant());
}

QImage Field::asImage() const
{
    return m_owner->pictureOf(m_index);
}

QByteArray Field::asBlob() const
{
    return m_owner->readValue(m_index).toByteArray();
}

void Field::setImage(const QImage& image)
{
    setBlob(image.isNull() ? QByteArray() : m_owner->encodedPicture(image));
}

void Field::setBlob(const QByteArray& bytes)
{
    m_owner->writeValue(m_index, bytes.isEmpty() ? QVariant() : QVariant(bytes));
}

// ---- Rows read, made into values when first used ------------------------------

namespace {

// Whether Qt reads a text as the engine does: valid UTF-8, not starting
// with a byte order mark (which Qt drops) and without the two noncharacters
// the engine reads as a replacement character.
bool readAlike(const char* text, qint32 size)
{
    if (!QUtf8StringView(text, size).isValidUtf8() || (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0))
        return false;
    const char* end = text + size;
    for (const char* at = text; (at = static_cast<const char*>(std::memchr(at, '\xEF', size_t(end - at)))); ++at)
        if (end - at >= 3 && at[1] == '\xBF' && (uchar(at[2]) & 0xFE) == 0xBE)
            return false;
    return true;
}

} // namespace

// Each value as the engine gave it: a kind byte, then its bytes. Copying
// them is all a large result costs at open; the texts and numbers are made
// when the cursor first reaches the row, so rows never shown cost nothing more.
struct DataSet::Cells
{
    enum Kind : char { Null, Integer, Real, Text, Text16, Taken };
    // Grown with realloc: a large buffer then moves by remapping its pages
    // rather than by copying them.
    struct Buffer
    {
        char* data = nullptr;
        size_t size = 0;
        size_t capacity = 0;
        Buffer() = default;
        Buffer(const Buffer&) = delete;
        Buffer& operator=(const Buffer&) = delete;
        ~Buffer() { std::free(data); }
        // Room for `more` bytes at the end.
        char* grow(size_t more)
        {
            if (size + more > capacity) {
                const size_t wanted = std::max(capacity * 2, size + more + 4096);
                auto* moved = static_cast<char*>(std::realloc(data, wanted));
                if (!moved)
                    throw std::bad_alloc();
                data = moved;
                capacity = wanted;
            }
            char* at = data + size;
            size += more;
            return at;
        }
    };
    Buffer bytes;
    std::vector<QVariant> taken; // values kept whole as read (blobs)
    std::vector<FieldType> types;
    // Results repeat their texts: each column's are shared, unless the
    // column's first rows show it seldom repeats one (a time of answer).
    std::vector<QSet<QString>> texts;
    std::vector<int> textsSeen;

    explicit Cells(const std::vector<FieldDef>& columns)
        : texts(columns.size())
        , textsSeen(columns.size(), 0)
    {
        for (const FieldDef& column : columns)
            types.push_back(column.type);
    }

    QVariant keep(const DataSet& owner, const QVariant& value, size_t c)
    {
        if (types[c] == FieldType::Graphic && value.typeId() == QMetaType::LongLong)
            return value;
        if (types[c] == FieldType::Graphic)
            return value.isNull() ? QVariant() : QVariant(owner.intern(value.toByteArray()));
        if (types[c] != FieldType::String || value.isNull())
            return normalised(value, types[c]);
        constexpr int sample = 1000;
        if (textsSeen[c] == sample && texts[c].size() > sample / 2)
            return QVariant(value.toString());
        textsSeen[c] = std::min(textsSeen[c] + 1, sample);
        return QVariant(*texts[c].insert(value.toString()));
    }

    // A kind byte, then `value`.
    template <typename T> void put(Kind kind, const T& value)
    {
        char* at = bytes.grow(1 + sizeof(T));
        *at = kind;
        std::memcpy(at + 1, &value, sizeof(T));
    }
    template <typename T> static T take(const char*& from)
    {
        T value;
        std::memcpy(&value, from, sizeof(T));
        from += sizeof(T);
        return value;
    }

    // Copies the statement's current row; returns where its cells start.
    qint64 read(const DataSet& owner, sqlite3_stmt* stmt)
    {
        const auto start = qint64(bytes.size);
        for (int c = 0; c < int(types.size()); ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL:
                *bytes.grow(1) = Null;
                break;
            case SQLITE_INTEGER:
                put(Integer, qint64(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_FLOAT:
                put(Real, sqlite3_column_double(stmt, c));
                break;
            case SQLITE_BLOB: {
                const QByteArray blob(
                    static_cast<const char*>(sqlite3_column_blob(stmt, c)), sqlite3_column_bytes(stmt, c));
                put(Taken, qint32(taken.size()));
                taken.push_back(keep(owner, blob, size_t(c)));
                break;
            }
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                qint32 size = sqlite3_column_bytes(stmt, c);
                Kind kind = Text;
                if (!readAlike(text, size)) {
                    // Texts Qt would read otherwise are taken as the engine reads them.
                    text = static_cast<const char*>(sqlite3_column_text16(stmt, c));
                    size = sqlite3_column_bytes16(stmt, c);
                    kind = Text16;
                }
                put(kind, size);
                std::memcpy(bytes.grow(size_t(size)), text, size_t(size));
            }
            }
        }
        return start;
    }

    // Makes the values of a row that waits, as the driver would take them.
    void make(const DataSet& owner, Row& row)
    {
        const size_t n = types.size();
        const char* from = bytes.data + row.cells;
        row.cells = -1;
        row.values.reserve(n);
        row.blobLoaded.assign(n, true);
        for (size_t c = 0; c < n; ++c) {
            QVariant value;
            switch (*from++) {
            case Null:
                value = QVariant(QMetaType::fromType<QString>());
                break;
            case Integer:
                value = qlonglong(take<qint64>(from));
                break;
            case Real:
                value = take<double>(from);
                break;
            case Text: {
                const auto size = take<qint32>(from);
                value = QString::fromUtf8(from, size);
                from += size;
                break;
            }
            case Text16: {
                const auto size = take<qint32>(from);
                QString text(size / qint32(sizeof(QChar)), Qt::Uninitialized);
                std::memcpy(text.data(), from, size_t(text.size()) * sizeof(QChar));
                value = text;
                from += size;
                break;
            }
            default:
                row.values.push_back(taken[size_t(take<qint32>(from))]);
                continue;
            }
            row.values.push_back(keep(owner, value, c));
        }
    }
};

// ---- DataSet --------------------------------------------------------------

DataSet::DataSet(QObject* parent)
    : QObject(parent)
    , m_databaseName(QStringLiteral("default"))
{
}

DataSet::~DataSet()
{
    Database::forgetDataSet(this);
}

Database& DataSet::database()
{
    return Database::forName(m_databaseName);
}

void DataSet::requireActive() const
{
    if (m_state == State::Inactive)
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataSet::open()
{
    if (active())
        return;
    m_rows.clear();
    m_cells.reset();
    m_fields.clear();
    m_columnOfField.clear();
    doOpen();
    database().registerDataSet(this);
    m_state = State::Browse;
    m_cursor = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    emit dataChanged();
}

void DataSet::close()
{
    if (!active())
        return;
    m_state = State::Inactive;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_cells.reset();
    m_distinctPictures.clear();
    m_pictureById.clear();
    m_decoded.clear();
    m_cursor = -1;
    m_bof = m_eof = true;
    Database::forgetDataSet(this);
    emit dataChanged();
}

void DataSet::reload()
{
    if (!active())
        return;
    const int at = m_cursor;
    m_state = State::Browse;
    m_rows.clear();
    m_cells.reset();
    m_distinctPictures.clear();
    m_pictureById.clear();
    m_decoded.clear();
    m_fields.clear();
    m_columnOfField.clear();
    try {
        doOpen();
    } catch (const Error&) {
        // The file went away: the dataset shows no rows rather than stale ones.
    }
    // A post that failed left its texts pending; they belong to no row now.
    m_buffer = Row {};
    m_modified.assign(m_fields.size(), false);
    m_pendingText.assign(m_fields.size(), QString());
    m_hasPendingText.assign(m_fields.size(), false);
    m_cursor = m_rows.empty() ? -1 : std::clamp(at, 0, int(m_rows.size()) - 1);
    m_bof = m_cursor <= 0;
    m_eof = m_rows.empty();
    emit dataChanged();
}

void DataSet::checkDeclared(const std::vector<FieldDef>& actual, const QString& tableFile)
{
    Q_UNUSED(tableFile);
    m_columnOfField.clear();
    if (m_declared.empty()) {
        m_fields = actual;
        for (size_t i = 0; i < actual.size(); ++i)
            m_columnOfField.push_back(int(i));
        return;
    }
    m_fields.clear();
    for (const FieldDef& want : m_declared) {
        int found = -1;
        for (size_t i = 0; i < actual.size(); ++i)
            if (actual[i].name.compare(want.name, Qt::CaseInsensitive) == 0)
                found = int(i);
        if (found < 0)
            throw Error(QStringLiteral("Field '%1' not found").arg(want.name));
        if (actual[found].type != want.type)
            throw Error(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                            .arg(want.name, fieldTypeName(want.type), fieldTypeName(actual[found].type)));
        FieldDef def = want;
        if (def.size == 0)
            def.size = actual[found].size;
        m_fields.push_back(def);
        m_columnOfField.push_back(found);
    }
}

void DataSet::endEditForMove()
{
    // Moving ends an edit: a changed row is posted, an untouched one dropped.
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    bool changed = false;
    for (bool m : m_modified)
        changed = changed || m;
    for (bool p : m_hasPendingText)
        changed = changed || p;
    if (changed)
        post();
    else
        cancel();
}

void DataSet::first()
{
    requireActive();
    endEditForMove();
    m_cursor = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    emit dataChanged();
}

void DataSet::last()
{
    requireActive();
    endEditForMove();
    m_cursor = int(m_rows.size()) - 1;
    m_bof = m_rows.empty();
    m_eof = true;
    emit dataChanged();
}

void DataSet::next()
{
    requireActive();
    endEditForMove();
    if (m_cursor + 1 < int(m_rows.size())) {
        ++m_cursor;
        m_bof = false;
        m_eof = false;
    } else {
        m_eof = true;
    }
    emit dataChanged();
}

void DataSet::prior()
{
    requireActive();
    endEditForMove();
    if (m_cursor > 0) {
        --m_cursor;
        m_bof = false;
        m_eof = false;
    } else {
        m_bof = true;
    }
    emit dataChanged();
}

bool DataSet::bof() const
{
    return m_state == State::Inactive || m_bof;
}

bool DataSet::eof() const
{
    return m_state == State::Inactive || m_eof;
}

bool DataSet::isEmpty() const
{
    requireActive();
    return m_rows.empty();
}

int DataSet::recordCount() const
{
    requireActive();
    return int(m_rows.size());
}

int DataSet::fieldCount() const
{
    return int(m_fields.size());
}

const FieldDef& DataSet::fieldDef(int index) const
{
    return m_fields.at(size_t(index));
}

std::optional<int> DataSet::findField(const QString& name) const
{
    // Most callers spell the name as declared: try that cheaper match first.
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name == name)
            return int(i);
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return std::nullopt;
}

Field DataSet::fieldByName(const QString& name)
{
    requireActive();
    const auto index = findField(name);
    if (!index)
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    return Field(this, *index);
}

Row& DataSet::rowAt(int index) const
{
    Row& row = const_cast<Row&>(m_rows[size_t(index)]);
    if (row.cells >= 0 && m_cells)
        m_cells->make(*this, row);
    return row;
}

const Row* DataSet::currentRowForRead() const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return &m_buffer;
    if (m_cursor < 0 || m_cursor >= int(m_rows.size()))
        return nullptr;
    return &rowAt(m_cursor);
}

QVariant DataSet::readValue(int field) const
{
    requireActive();
    const Row* row = currentRowForRead();
    if (!row)
        return {};
    const int column = m_columnOfField[size_t(field)];
    if (m_fields[size_t(field)].type != FieldType::Graphic)
        return row->values[size_t(column)];
    if (!row->blobLoaded[size_t(column)])
        loadBlob(const_cast<Row&>(*row), column);
    const QVariant& stored = row->values[size_t(column)];
    if (stored.isNull())
        return {};
    const QByteArray bytes = pictureBytes(stored, column);
    return bytes.isEmpty() ? QVariant() : QVariant(bytes);
}

QByteArray DataSet::intern(const QByteArray& bytes) const
{
    if (bytes.isEmpty())
        return bytes;
    const auto it = m_distinctPictures.constFind(bytes);
    if (it != m_distinctPictures.constEnd())
        return *it;
    m_distinctPictures.insert(bytes);
    return bytes;
}

QByteArray DataSet::pictureBytes(const QVariant& stored, int column) const
{
    const QString& schema = m_pictureSchema.size() > size_t(column) ? m_pictureSchema[size_t(column)] : QString();
    if (stored.typeId() != QMetaType::LongLong || schema.isEmpty())
        return stored.toByteArray();
    const qint64 id = stored.toLongLong();
    const auto known = m_pictureById.constFind(id);
    if (known != m_pictureById.constEnd())
        return *known;
    auto* self = const_cast<DataSet*>(this);
    QSqlQuery q = self->database().prepare(QStringLiteral("SELECT Grafico FROM %1.%2 WHERE rowid = ?")
                                               .arg(quoteName(schema), quoteName(pictureTableOf(schema))));
    q.addBindValue(id);
    self->database().exec(q, {});
    const QByteArray bytes = q.next() ? intern(qUncompress(q.value(0).toByteArray())) : QByteArray();
    q.finish();
    m_pictureById.insert(id, bytes);
    return bytes;
}

QByteArray DataSet::encodedPicture(const QImage& image) const
{
    // The key changes with any change to the image.
    const qint64 key = image.cacheKey();
    auto it = m_encoded.constFind(key);
    if (it == m_encoded.constEnd()) {
        if (m_encoded.size() >= kRememberedPictures)
            m_encoded.clear();
        it = m_encoded.insert(key, encodeGraphic(image));
    }
    return *it;
}

QImage DataSet::pictureOf(int field) const
{
    // Rows share few pictures: each distinct one is decoded once.
    const QByteArray bytes = readValue(field).toByteArray();
    if (bytes.isEmpty())
        return {};
    auto it = m_decoded.constFind(bytes);
    if (it == m_decoded.constEnd())
        it = m_decoded.insert(bytes, decodeGraphic(bytes));
    return *it;
}

QVariant DataSet::storedPicture(const QVariant& value, int column)
{
    // A picture goes into the side table once; the row keeps its number.
    const QString& schema = m_pictureSchema.size() > size_t(column) ? m_pictureSchema[size_t(column)] : QString();
    if (schema.isEmpty() || value.typeId() != QMetaType::QByteArray || value.toByteArray().isEmpty())
        return value;
    const QByteArray bytes = value.toByteArray();
    auto digestIt = m_digests.constFind(bytes);
    if (digestIt == m_digests.constEnd()) {
        if (m_digests.size() >= kRememberedPictures)
            m_digests.clear();
        digestIt = m_digests.insert(bytes, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
    const QByteArray digest = *digestIt;
    Database& db = database();
    const QString pictures = quoteName(schema) + QLatin1Char('.') + quoteName(pictureTableOf(schema));
    QSqlQuery& find = db.statement(QStringLiteral("SELECT rowid FROM %1 WHERE Resumen = ?").arg(pictures));
    find.addBindValue(digest);
    db.exec(find, QDir::toNativeSeparators(db.filePath(tableForWrites())));
    const qint64 known = find.next() ? find.value(0).toLongLong() : -1;
    find.finish();
    if (known >= 0)
        return QVariant(known);
    QSqlQuery add = db.prepare(QStringLiteral("INSERT INTO %1 (Resumen, Grafico) VALUES (?, ?)").arg(pictures));
    add.addBindValue(digest);
    // Kept deflated: a bitmap of a few kilobytes would otherwise take a page
    // of the file to itself, and icons shrink well.
    add.addBindValue(qCompress(bytes));
    db.exec(add, QDir::toNativeSeparators(db.filePath(tableForWrites())));
    const qint64 id = add.lastInsertId().toLongLong();
    m_pictureById.insert(id, intern(bytes));
    return QVariant(id);
}

void DataSet::findPictureTables(const std::vector<QString>& schemaOfColumn)
{
    m_pictureSchema.assign(m_tableColumns.size(), QString());
    for (size_t c = 0; c < m_tableColumns.size() && c < schemaOfColumn.size(); ++c) {
        if (m_tableColumns[c].type != FieldType::Graphic || schemaOfColumn[c].isEmpty())
            continue;
        const QString& schema = schemaOfColumn[c];
        QSqlQuery q = database().prepare(
            QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type = 'table' AND name = ?")
                .arg(quoteName(schema)));
        q.addBindValue(pictureTableOf(schema));
        database().exec(q, {});
        if (q.next() && q.value(0).toInt() > 0)
            m_pictureSchema[c] = schema;
        q.finish();
    }
}

bool DataSet::locate(qint64 rowid)
{
    requireActive();
    endEditForMove();
    const auto it
        = std::lower_bound(m_rows.begin(), m_rows.end(), rowid, [](const Row& r, qint64 id) { return r.rowid < id; });
    if (it == m_rows.end() || it->rowid != rowid)
        return false;
    m_cursor = int(it - m_rows.begin());
    m_bof = false;
    m_eof = false;
    emit dataChanged();
    return true;
}

void DataSet::writeValue(int field, const QVariant& value)
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    const int column = m_columnOfField[size_t(field)];
    m_buffer.values[size_t(column)] = value;
    m_buffer.blobLoaded[size_t(column)] = true;
    m_modified[size_t(field)] = true;
    m_hasPendingText[size_t(field)] = false;
    m_pendingText[size_t(field)].clear();
}

void DataSet::loadBlob(Row& row, int column) const
{
    row.blobLoaded[size_t(column)] = true;
    if (row.rowid < 0 || tableForWrites().isEmpty())
        return;
    auto* self = const_cast<DataSet*>(this);
    QSqlQuery q = self->database().prepare(
        QStringLiteral("SELECT %1 FROM %2.%3 WHERE rowid = ?")
            .arg(quoteName(self->columnName(column)), quoteName(schemaName()), quoteName(schemaName())));
    q.addBindValue(row.rowid);
    self->database().exec(q, {});
    const QVariant stored = q.next() ? q.value(0) : QVariant();
    q.finish();
    if (stored.isNull())
        row.values[size_t(column)] = QVariant();
    else if (stored.typeId() == QMetaType::LongLong && !m_pictureSchema[size_t(column)].isEmpty())
        row.values[size_t(column)] = stored;
    else
        row.values[size_t(column)] = QVariant(intern(stored.toByteArray()));
}

void DataSet::startBuffer(bool copyCurrent)
{
    const size_t columns = m_tableColumns.size();
    if (copyCurrent && m_cursor >= 0) {
        m_buffer = rowAt(m_cursor);
    } else {
        m_buffer = Row {};
        m_buffer.values.assign(columns, QVariant());
        m_buffer.blobLoaded.assign(columns, true);
    }
    m_modified.assign(m_fields.size(), false);
    m_pendingText.assign(m_fields.size(), QString());
    m_hasPendingText.assign(m_fields.size(), false);
}

void DataSet::edit()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_rows.empty()) {
        insert();
        return;
    }
    checkWritable();
    startBuffer(true);
    m_state = State::Edit;
    emit dataChanged();
}

void DataSet::insert()
{
    startInsert(false);
}

void DataSet::append()
{
    startInsert(true);
}

void DataSet::startInsert(bool appending)
{
    requireActive();
    endEditForMove();
    checkWritable();
    startBuffer(false);
    m_appending = appending;
    m_state = State::Insert;
    emit dataChanged();
}

void DataSet::checkWritable()
{
    if (tableForWrites().isEmpty())
        throw Error(QStringLiteral("Cannot modify a read-only dataset"));
    database().requireSameFile(tableForWrites());
    const QString path = database().filePath(tableForWrites());
    if (!fileWritable(path))
        throw Error(QStringLiteral("El archivo de tabla '%1' es de solo lectura").arg(QDir::toNativeSeparators(path)));
    database().attach(tableForWrites()); // again in write mode, if it was write-protected when attached
}

void DataSet::post()
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    emit updateRecord();

    // Texts set on whole-number fields are converted now; a bad one leaves
    // the row unwritten and still being edited.
    Row row = m_buffer;
    for (size_t f = 0; f < m_fields.size(); ++f) {
        if (!m_hasPendingText[f])
            continue;
        const QString& text = m_pendingText[f];
        const size_t column = size_t(m_columnOfField[f]);
        if (text.isEmpty()) {
            row.values[column] = QVariant();
            continue;
        }
        // A text must first read as a 32-bit whole number, then fit 16 bits.
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || text.trimmed() != text)
            throw Error(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, m_fields[f].name));
        if (n < -32768 || n > 32767)
            throw Error(
                QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                    .arg(QString::number(n), m_fields[f].name, QStringLiteral("-32768"), QStringLiteral("32767")));
        row.values[column] = QVariant(n);
    }

    Database& db = database();
    db.requireSameFile(tableForWrites());
    const QString schema = schemaName();
    const QString what = QDir::toNativeSeparators(db.filePath(tableForWrites()));
    // A picture kept apart and the row that refers to it are written together.
    std::optional<Transaction> tx;
    for (size_t c = 0; c < m_pictureSchema.size() && !tx && !db.inTransaction(); ++c)
        if (!m_pictureSchema[c].isEmpty() && row.values[c].typeId() == QMetaType::QByteArray)
            tx.emplace(m_databaseName, QStringList { tableForWrites() });
    if (m_state == State::Edit) {
        QStringList sets;
        QVariantList values;
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (!m_modified[f] && !m_hasPendingText[f])
                continue;
            const size_t column = size_t(m_columnOfField[f]);
            sets << quoteName(columnName(int(column))) + QStringLiteral(" = ?");
            values << storedPicture(row.values[column], int(column));
        }
        if (!sets.isEmpty()) {
            QSqlQuery& q
                = db.statement(QStringLiteral("UPDATE %1.%2 SET %3 WHERE rowid = ?")
                                   .arg(quoteName(schema), quoteName(schema), sets.join(QStringLiteral(", "))));
            for (const QVariant& v : values)
                q.addBindValue(v);
            q.addBindValue(row.rowid);
            db.exec(q, what);
            // Another program may have deleted the row since it was read.
            if (q.numRowsAffected() != 1)
                throw Error(QStringLiteral("El registro ya no existe en el archivo de tabla '%1'").arg(what));
        }
        if (tx)
            tx->commit();
        m_rows[size_t(m_cursor)] = row;
    } else {
        // Rows are kept in rowid order: a row inserted before the current one
        // takes its rowid, and the rows from there on move up by one.
        const bool inMiddle = !m_appending && m_cursor >= 0 && m_cursor < int(m_rows.size());
        QStringList names;
        QStringList marks;
        if (inMiddle) {
            names << QStringLiteral("rowid");
            marks << QStringLiteral("?");
        }
        for (size_t c = 0; c < m_tableColumns.size(); ++c) {
            names << quoteName(columnName(int(c)));
            marks << QStringLiteral("?");
        }
        const QString table = quoteName(schema) + QLatin1Char('.') + quoteName(schema);
        if (inMiddle && !tx) {
            tx.emplace(m_databaseName);
        }
        if (inMiddle) {
            const qint64 at = m_rows[size_t(m_cursor)].rowid;
            QSqlQuery away
                = db.prepare(QStringLiteral("UPDATE %1 SET rowid = -(rowid + 1) WHERE rowid >= ?").arg(table));
            away.addBindValue(at);
            db.exec(away, what);
            QSqlQuery back = db.prepare(QStringLiteral("UPDATE %1 SET rowid = -rowid WHERE rowid < 0").arg(table));
            db.exec(back, what);
            row.rowid = at;
        }
        QSqlQuery& q
            = db.statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        if (inMiddle)
            q.addBindValue(row.rowid);
        for (size_t c = 0; c < row.values.size(); ++c)
            q.addBindValue(row.values[c].isNull() ? QVariant() : storedPicture(row.values[c], int(c)));
        db.exec(q, what);
        if (tx)
            tx->commit();
        row.rowid = q.lastInsertId().toLongLong();
        row.blobLoaded.assign(row.values.size(), true);
        if (!inMiddle) {
            m_rows.push_back(row);
            m_cursor = int(m_rows.size()) - 1;
        } else {
            for (size_t i = size_t(m_cursor); i < m_rows.size(); ++i)
                ++m_rows[i].rowid;
            m_rows.insert(m_rows.begin() + m_cursor, row);
        }
        m_bof = false;
        m_eof = false;
    }
    m_state = State::Browse;
    m_hasPendingText.assign(m_fields.size(), false);
    emit dataChanged();
}

void DataSet::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_buffer = Row {};
    m_hasPendingText.assign(m_fields.size(), false);
    emit dataChanged();
}

void DataSet::deleteRecord()
{
    requireActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    if (m_rows.empty() || m_cursor < 0)
        throw Error(QStringLiteral("Cannot perform this operation on an empty dataset"));
    checkWritable();
    Database& db = database();
    const QString schema = schemaName();
    QSqlQuery q
        = db.prepare(QStringLiteral("DELETE FROM %1.%2 WHERE rowid = ?").arg(quoteName(schema), quoteName(schema)));
    q.addBindValue(m_rows[size_t(m_cursor)].rowid);
    db.exec(q, QDir::toNativeSeparators(db.filePath(tableForWrites())));
    m_rows.erase(m_rows.begin() + m_cursor);
    // The row after the deleted one becomes current; after the last row the
    // one before it does, and a walk that reached the end stays at its end.
    if (m_cursor >= int(m_rows.size())) {
        m_cursor = int(m_rows.size()) - 1;
        m_eof = true;
    } else {
        m_eof = false;
    }
    m_bof = m_rows.empty() || m_cursor == 0 ? m_bof || m_rows.empty() : false;
    if (m_rows.empty())
        m_bof = m_eof = true;
    emit dataChanged();
}

QString DataSet::columnName(int column) const
{
    return m_tableColumns.at(size_t(column)).name;
}

// ---- Table ----------------------------------------------------------------

namespace {

// A row from a statement whose column 0 is the rowid and the others the
// table's columns; pictures are left on disk until they are read.
void readRow(sqlite3_stmt* stmt, const std::vector<FieldDef>& columns, Row& row)
{
    const size_t n = columns.size();
    row.rowid = sqlite3_column_int64(stmt, 0);
    row.values.clear();
    row.values.reserve(n);
    row.blobLoaded.assign(n, true);
    for (size_t c = 0; c < n; ++c) {
        const int col = int(c) + 1;
        if (columns[c].type == FieldType::Graphic) {
            row.blobLoaded[c] = false;
            row.values.emplace_back();
        } else if (sqlite3_column_type(stmt, col) == SQLITE_NULL) {
            row.values.emplace_back(); // blank: a null value
        } else if (columns[c].type == FieldType::SmallInt) {
            row.values.emplace_back(int(sqlite3_column_int64(stmt, col)));
        } else {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
            row.values.emplace_back(QString::fromUtf8(text, sqlite3_column_bytes(stmt, col)));
        }
    }
}

} // namespace

QByteArray Table::rowReadSql(const QString& condition) const
{
    // Pictures stay on disk until a row's picture is read.
    const QString schema = schemaName();
    QStringList columns { QStringLiteral("rowid") };
    for (const FieldDef& c : m_tableColumns)
        columns << (c.type == FieldType::Graphic ? QStringLiteral("NULL") : quoteName(c.name));
    return QStringLiteral("SELECT %1 FROM %2.%3%4")
        .arg(columns.join(QStringLiteral(", ")), quoteName(schema), quoteName(schema), condition)
        .toUtf8();
}

Error Table::rowReadError() const
{
    Database& db = const_cast<Table*>(this)->database();
    sqlite3* handle = db.nativeHandle();
    const QString why = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("sin conexión");
    return Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(db.filePath(m_tableName)), why));
}

sqlite3_stmt* Table::prepareRowRead(const QString& condition)
{
    const QByteArray sql = rowReadSql(condition);
    sqlite3* handle = database().nativeHandle();
    sqlite3_stmt* stmt = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        const Error error = rowReadError();
        sqlite3_finalize(stmt);
        throw error;
    }
    return stmt;
}

std::vector<qint64> Table::rowsReading(const std::vector<std::pair<QString, QString>>& fieldTexts)
{
    requireActive();
    QStringList conditions;
    QVariantList values;
    for (const auto& [name, text] : fieldTexts) {
        const auto index = findField(name);
        if (!index)
            throw Error(QStringLiteral("Field '%1' not found").arg(name));
        const FieldDef& column = m_tableColumns[size_t(m_columnOfField[size_t(*index)])];
        if (text.isEmpty()) {
            // Only a blank field reads as an empty text (or an empty one).
            conditions << (column.type == FieldType::String
                    ? QStringLiteral("(%1 IS NULL OR %2 = '')").arg(quoteName(column.name), keyExpression(column))
                    : QStringLiteral("%1 IS NULL").arg(quoteName(column.name)));
            continue;
        }
        conditions << keyExpression(column) + QStringLiteral(" = ?");
        if (column.type == FieldType::SmallInt) {
            bool ok = false;
            const int number = text.toInt(&ok);
            if (!ok || QString::number(number) != text)
                return {}; // no whole number reads as this text
            values << number;
        } else {
            values << text;
        }
    }
    Database& db = database();
    const QString schema = schemaName();
    // No ORDER BY: an older file's index over every field but the pictures
    // can then serve the search without reading a picture.
    QSqlQuery& q
        = db.statement(QStringLiteral("SELECT rowid FROM %1.%2 WHERE %3")
                           .arg(quoteName(schema), quoteName(schema), conditions.join(QStringLiteral(" AND "))));
    for (const QVariant& v : values)
        q.addBindValue(v);
    db.exec(q, QDir::toNativeSeparators(db.filePath(m_tableName)));
    std::vector<qint64> rowids;
    while (q.next())
        rowids.push_back(q.value(0).toLongLong());
    std::sort(rowids.begin(), rowids.end());
    refreshRows(rowids);
    return rowids;
}

void Table::refreshRows(const std::vector<qint64>& rowids)
{
    requireActive();
    if (rowids.empty())
        return;
    // Kept prepared: every answer reads the rows it changes again.
    sqlite3_stmt* stmt = database().engineStatement(rowReadSql(QStringLiteral(" WHERE rowid = ?")));
    if (!stmt)
        throw rowReadError();
    // A kept statement left stepping would hold its read lock past the transaction.
    const struct Reset
    {
        sqlite3_stmt* stmt;
        ~Reset()
        {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    } reset { stmt };
    for (const qint64 id : rowids) {
        sqlite3_bind_int64(stmt, 1, id);
        const int rc = sqlite3_step(stmt);
        const auto at = std::lower_bound(
            m_rows.begin(), m_rows.end(), id, [](const Row& r, qint64 rowid) { return r.rowid < rowid; });
        const int pos = int(at - m_rows.begin());
        const bool held = at != m_rows.end() && at->rowid == id;
        if (rc == SQLITE_ROW) {
            Row row;
            readRow(stmt, m_tableColumns, row);
            if (held) {
                *at = std::move(row);
            } else {
                m_rows.insert(at, std::move(row));
                if (pos <= m_cursor)
                    ++m_cursor;
            }
        } else if (held) {
            m_rows.erase(at);
            if (pos < m_cursor || m_cursor >= int(m_rows.size()))
                --m_cursor;
        }
        sqlite3_reset(stmt);
    }
    if (m_cursor < 0 && !m_rows.empty())
        m_cursor = 0;
    m_eof = m_eof && m_rows.empty();
    m_bof = m_rows.empty() || (m_bof && m_cursor == 0);
}

Table::Table(QObject* parent)
    : DataSet(parent)
{
}

QString Table::tableForWrites() const
{
    return m_tableName;
}

QString Table::schemaName() const
{
    return schemaOf(m_tableName);
}

void Table::doOpen()
{
    Database& db = database();
    const QString schema = db.attach(m_tableName);

    QSqlQuery info = db.prepare(QStringLiteral("PRAGMA %1.table_info(%2)").arg(quoteName(schema), quoteName(schema)));
    db.exec(info, m_tableName);
    std::vector<FieldDef> actual;
    while (info.next()) {
        const QString declared = info.value(2).toString().toUpper();
        FieldDef def { info.value(1).toString(), FieldType::String, 0 };
        if (declared.contains(QLatin1String("INT")))
            def.type = FieldType::SmallInt;
        else if (declared.contains(QLatin1String("BLOB")) || declared.isEmpty())
            def.type = FieldType::Graphic;
        const int open = declared.indexOf(QLatin1Char('('));
        if (def.type == FieldType::String && open >= 0)
            def.size = declared.mid(open + 1).section(QLatin1Char(')'), 0, 0).toInt();
        actual.push_back(def);
    }
    m_tableColumns = actual;
    checkDeclared(actual, m_tableName);
    findPictureTables(std::vector<QString>(actual.size(), schema));

    // No ORDER BY: the engine may then read an index that holds every field
    // but the pictures (in older files); the rows are put in rowid order below.
    // The rows are stepped through the engine's own interface: a large results
    // table opens several times faster than through a QSqlQuery.
    sqlite3_stmt* stmt = prepareRowRead({});
    sqlite3* handle = db.nativeHandle();
    const QString shown = QDir::toNativeSeparators(db.filePath(m_tableName));
    // Knowing the count up front spares the row list its regrowth.
    const QByteArray countSql
        = QStringLiteral("SELECT count(*) FROM %1.%2").arg(quoteName(schema), quoteName(schema)).toUtf8();
    sqlite3_stmt* counting = nullptr;
    if (sqlite3_prepare_v2(handle, countSql.constData(), int(countSql.size()), &counting, nullptr) == SQLITE_OK
        && sqlite3_step(counting) == SQLITE_ROW)
        m_rows.reserve(size_t(sqlite3_column_int64(counting, 0)));
    sqlite3_finalize(counting);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        readRow(stmt, actual, m_rows.emplace_back());
    if (rc != SQLITE_DONE) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(stmt);
        m_rows.clear();
        throw Error(QStringLiteral("%1: %2").arg(shown, why));
    }
    sqlite3_finalize(stmt);
    const auto byRowid = [](const Row& a, const Row& b) { return a.rowid < b.rowid; };
    if (!std::is_sorted(m_rows.begin(), m_rows.end(), byRowid)) {
        // Rows come in index order. Rowids are nearly dense (only deletions
        // leave gaps), so each row's place is found from its rowid directly;
        // only widely spread rowids need a sort. Each row moves once.
        std::vector<size_t> order;
        order.reserve(m_rows.size());
        qint64 low = m_rows.front().rowid;
        qint64 high = low;
        for (const Row& r : m_rows) {
            low = std::min(low, r.rowid);
            high = std::max(high, r.rowid);
        }
        if (high - low < 4 * qint64(m_rows.size())) {
            std::vector<qint32> slot(size_t(high - low + 1), -1);
            for (size_t i = 0; i < m_rows.size(); ++i)
                slot[size_t(m_rows[i].rowid - low)] = qint32(i);
            for (const qint32 i : slot)
                if (i >= 0)
                    order.push_back(size_t(i));
        } else {
            for (size_t i = 0; i < m_rows.size(); ++i)
                order.push_back(i);
            std::sort(
                order.begin(), order.end(), [this](size_t a, size_t b) { return m_rows[a].rowid < m_rows[b].rowid; });
        }
        std::vector<Row> sorted;
        sorted.reserve(m_rows.size());
        for (const size_t i : order)
            sorted.push_back(std::move(m_rows[i]));
        m_rows = std::move(sorted);
    }
}

// ---- Query ----------------------------------------------------------------

Query::Query(QObject* parent)
    : DataSet(parent)
{
}

void Query::clearSql()
{
    m_sql.clear();
    m_values.clear();
}

void Query::addSql(const QString& line, const QVariantList& values)
{
    m_sql << line;
    m_values << values;
}

void Query::doOpen()
{
    Database& db = database();
    const QStringList problems = db.attachExisting();
    QSqlQuery q;
    try {
        q = db.prepare(sql());
        for (const QVariant& v : m_values)
            q.addBindValue(v);
        db.exec(q, {});
    } catch (const Error& e) {
        // "no such table" says less than why the table file was left out.
        if (!problems.isEmpty())
            throw Error(problems.join(QLatin1Char('\n')));
        throw;
    }
    const QSqlRecord record = q.record();
    std::vector<FieldDef> actual;
    for (int c = 0; c < record.count(); ++c)
        actual.push_back(FieldDef { record.fieldName(c), typeOfSqlField(record.field(c)), 0 });
    // The driver reports SMALLINT columns as text: a declared 16-bit field
    // over such a column is read as the number it holds.
    for (FieldDef& column : actual)
        for (const FieldDef& want : m_declared)
            if (want.type == FieldType::SmallInt && column.type == FieldType::String
                && column.name.compare(want.name, Qt::CaseInsensitive) == 0)
                column.type = FieldType::SmallInt;
    m_tableColumns = actual;
    checkDeclared(actual, {});
    // A picture column of a table that keeps its pictures apart holds their
    // numbers: they are read, and decoded, once each when first asked for.
    std::vector<QString> schemaOfColumn(actual.size());
    sqlite3_stmt* stmt = nullptr;
    const QVariant handle = q.result()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0)
        stmt = *static_cast<sqlite3_stmt* const*>(handle.data());
    if (stmt)
        for (size_t c = 0; c < actual.size(); ++c)
            if (const char* name = sqlite3_column_database_name(stmt, int(c)))
                schemaOfColumn[c] = QString::fromUtf8(name);
    const size_t n = actual.size();
    m_cells = std::make_unique<Cells>(actual);
    if (!q.next()) {
        findPictureTables(schemaOfColumn);
        return;
    }
    // The driver has read the first row; the others are stepped through the
    // engine's own interface, which spares the driver's per-row copies.
    const auto takeRow = [&] {
        Row& row = m_rows.emplace_back();
        row.values.reserve(n);
        row.blobLoaded.assign(n, true);
        for (size_t c = 0; c < n; ++c)
            row.values.push_back(m_cells->keep(*this, q.value(int(c)), c));
    };
    takeRow();
    if (!stmt || sqlite3_column_count(stmt) != int(n)) {
        while (q.next())
            takeRow();
    } else {
        // A failing step ends the rows, as it ends the driver's. The rows
        // are made once their count is known: the list grows only once.
        std::vector<qint64> starts;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            starts.push_back(m_cells->read(*this, stmt));
        const size_t first = m_rows.size();
        m_rows.resize(first + starts.size());
        for (size_t i = 0; i < starts.size(); ++i)
            m_rows[first + i].cells = starts[i];
    }
    findPictureTables(schemaOfColumn);
}

// ---- Pictures -------------------------------------------------------------

QByteArray encodeGraphicBytes(const QByteArray& bitmapFile)
{
    QByteArray out(8, '\0');
    qToLittleEndian<quint16>(1, out.data());
    qToLittleEndian<quint16>(0x0100, out.data() + 2);
    qToLittleEndian<quint32>(quint32(bitmapFile.size()), out.data() + 4);
    return out + bitmapFile;
}

QByteArray encodeGraphic(const QImage& image)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return encodeGraphicBytes(bmp);
}

QByteArray bitmapFileOfGraphic(const QByteArray& blob)
{
    if (blob.size() >= 8) {
        const auto count = qFromLittleEndian<quint16>(blob.constData());
        const auto type = qFromLittleEndian<quint16>(blob.constData() + 2);
        const auto length = qFromLittleEndian<quint32>(blob.constData() + 4);
        if (count == 1 && type == 0x0100 && qint64(length) == qint64(blob.size()) - 8)
            return blob.mid(8);
    }
    return blob;
}

QImage decodeGraphic(const QByteArray& blob)
{
    if (blob.isEmpty())
        return {};
    QImage image;
    image.loadFromData(bitmapFileOfGraphic(blob), "BMP");
    return image;
}

} // namespace vdb
