#include "dataset.h"

#include "database.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtEndian>

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

QString Field::fieldName() const { return m_owner->fieldDef(m_index).name; }
FieldType Field::dataType() const { return m_owner->fieldDef(m_index).type; }
int Field::size() const { return m_owner->fieldDef(m_index).size; }

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
        const int width = size();
        m_owner->writeValue(m_index, QVariant(width > 0 ? text.left(width) : text));
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
    return decodeGraphic(asBlob());
}

QByteArray Field::asBlob() const
{
    return m_owner->readValue(m_index).toByteArray();
}

void Field::setImage(const QImage& image)
{
    setBlob(image.isNull() ? QByteArray() : encodeGraphic(image));
}

void Field::setBlob(const QByteArray& bytes)
{
    m_owner->writeValue(m_index, bytes.isEmpty() ? QVariant() : QVariant(bytes));
}

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
    m_fields.clear();
    m_columnOfField.clear();
    try {
        doOpen();
    } catch (const Error&) {
        // The file went away: the dataset shows no rows rather than stale ones.
    }
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

const Row* DataSet::currentRowForRead() const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return &m_buffer;
    if (m_cursor < 0 || m_cursor >= int(m_rows.size()))
        return nullptr;
    return &m_rows[size_t(m_cursor)];
}

QVariant DataSet::readValue(int field) const
{
    requireActive();
    const Row* row = currentRowForRead();
    if (!row)
        return {};
    const int column = m_columnOfField[size_t(field)];
    if (m_fields[size_t(field)].type == FieldType::Graphic && !row->blobLoaded[size_t(column)])
        loadBlob(const_cast<Row&>(*row), column);
    return row->values[size_t(column)];
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
    QSqlQuery q = self->database().prepare(QStringLiteral("SELECT %1 FROM %2.%3 WHERE rowid = ?")
                                               .arg(quoteName(self->columnName(column)),
                                                    quoteName(schemaName()), quoteName(schemaName())));
    q.addBindValue(row.rowid);
    self->database().exec(q, {});
    if (q.next())
        row.values[size_t(column)] = q.value(0).isNull() ? QVariant() : QVariant(q.value(0).toByteArray());
}

void DataSet::startBuffer(bool copyCurrent)
{
    const size_t columns = m_tableColumns.size();
    if (copyCurrent && m_cursor >= 0) {
        m_buffer = m_rows[size_t(m_cursor)];
    } else {
        m_buffer = Row{};
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
    requireActive();
    endEditForMove();
    checkWritable();
    startBuffer(false);
    m_appending = false;
    m_state = State::Insert;
    emit dataChanged();
}

void DataSet::append()
{
    requireActive();
    endEditForMove();
    checkWritable();
    startBuffer(false);
    m_appending = true;
    m_state = State::Insert;
    emit dataChanged();
}

void DataSet::checkWritable()
{
    if (tableForWrites().isEmpty())
        throw Error(QStringLiteral("Cannot modify a read-only dataset"));
    const QString path = database().filePath(tableForWrites());
    if (!QFileInfo(path).isWritable())
        throw Error(QStringLiteral("El archivo de tabla '%1' es de solo lectura").arg(path));
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
        bool ok = false;
        const qlonglong n = text.trimmed().toLongLong(&ok);
        if (!ok || text.trimmed() != text)
            throw Error(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, m_fields[f].name));
        if (n < -32768 || n > 32767)
            throw Error(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                            .arg(QString::number(n), m_fields[f].name, QStringLiteral("-32768"), QStringLiteral("32767")));
        row.values[column] = QVariant(int(n));
    }

    Database& db = database();
    const QString schema = schemaName();
    if (m_state == State::Edit) {
        QStringList sets;
        QVariantList values;
        for (size_t f = 0; f < m_fields.size(); ++f) {
            if (!m_modified[f] && !m_hasPendingText[f])
                continue;
            const size_t column = size_t(m_columnOfField[f]);
            sets << quoteName(columnName(int(column))) + QStringLiteral(" = ?");
            values << row.values[column];
        }
        if (!sets.isEmpty()) {
            QSqlQuery q = db.prepare(QStringLiteral("UPDATE %1.%2 SET %3 WHERE rowid = ?")
                                         .arg(quoteName(schema), quoteName(schema), sets.join(QStringLiteral(", "))));
            for (const QVariant& v : values)
                q.addBindValue(v);
            q.addBindValue(row.rowid);
            db.exec(q, {});
        }
        m_rows[size_t(m_cursor)] = row;
    } else {
        QStringList names;
        QStringList marks;
        for (size_t c = 0; c < m_tableColumns.size(); ++c) {
            names << quoteName(columnName(int(c)));
            marks << QStringLiteral("?");
        }
        QSqlQuery q = db.prepare(QStringLiteral("INSERT INTO %1.%2 (%3) VALUES (%4)")
                                     .arg(quoteName(schema), quoteName(schema), names.join(QStringLiteral(", ")),
                                          marks.join(QStringLiteral(", "))));
        for (const QVariant& v : row.values)
            q.addBindValue(v.isNull() ? QVariant() : v);
        db.exec(q, {});
        row.rowid = q.lastInsertId().toLongLong();
        row.blobLoaded.assign(row.values.size(), true);
        if (m_appending || m_cursor < 0) {
            m_rows.push_back(row);
            m_cursor = int(m_rows.size()) - 1;
        } else {
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
    m_buffer = Row{};
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
    QSqlQuery q = db.prepare(QStringLiteral("DELETE FROM %1.%2 WHERE rowid = ?").arg(quoteName(schema), quoteName(schema)));
    q.addBindValue(m_rows[size_t(m_cursor)].rowid);
    db.exec(q, {});
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
        FieldDef def{info.value(1).toString(), FieldType::String, 0};
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

    // Pictures stay on disk until a row's picture is read.
    QStringList columns{QStringLiteral("rowid")};
    for (const FieldDef& c : actual)
        columns << (c.type == FieldType::Graphic ? QStringLiteral("NULL") : quoteName(c.name));
    QSqlQuery q = db.prepare(QStringLiteral("SELECT %1 FROM %2.%3 ORDER BY rowid")
                                 .arg(columns.join(QStringLiteral(", ")), quoteName(schema), quoteName(schema)));
    db.exec(q, m_tableName);
    const size_t n = actual.size();
    while (q.next()) {
        Row row;
        row.rowid = q.value(0).toLongLong();
        row.values.resize(n);
        row.blobLoaded.assign(n, true);
        for (size_t c = 0; c < n; ++c) {
            if (actual[c].type == FieldType::Graphic) {
                row.blobLoaded[c] = false;
                continue;
            }
            row.values[c] = normalised(q.value(int(c) + 1), actual[c].type);
        }
        m_rows.push_back(std::move(row));
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
    db.attachExisting();
    QSqlQuery q = db.prepare(sql());
    for (const QVariant& v : m_values)
        q.addBindValue(v);
    db.exec(q, {});
    const QSqlRecord record = q.record();
    std::vector<FieldDef> actual;
    for (int c = 0; c < record.count(); ++c)
        actual.push_back(FieldDef{record.fieldName(c), typeOfSqlField(record.field(c)), 0});
    m_tableColumns = actual;
    checkDeclared(actual, {});
    const size_t n = actual.size();
    while (q.next()) {
        Row row;
        row.values.resize(n);
        row.blobLoaded.assign(n, true);
        for (size_t c = 0; c < n; ++c)
            row.values[c] = normalised(q.value(int(c)), actual[c].type);
        m_rows.push_back(std::move(row));
    }
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

QImage loadBitmapFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file %1").arg(path));
    const QByteArray head = file.peek(2);
    QImageReader reader(&file, "BMP");
    reader.setAutoDetectImageFormat(false);
    // A picture far larger than any icon would only exhaust memory.
    const QSize size = reader.size();
    if (head != "BM" || !size.isValid() || qint64(size.width()) * size.height() > 4096LL * 4096LL)
        throw Error(QStringLiteral("Bitmap image is not valid"));
    QImage image = reader.read();
    if (image.isNull())
        throw Error(QStringLiteral("Bitmap image is not valid"));
    return image;
}

} // namespace vdb
