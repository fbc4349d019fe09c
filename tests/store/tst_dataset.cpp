// Datasets over real table files: walking, editing, deleting, the field text
// rules and their messages, the stored form of a picture, and the question list
// of one survey as the survey list, the change dialog and the report choice fill it.

#include "platform/db/bitmap_file.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QBuffer>
#include <QFile>
#include <QSqlDatabase>
#include <QtEndian>
#include <QtTest>

using namespace testing_support;

namespace {

void append(vdb::Table* t, const QString& field, const QString& text, const QString& edicion = QStringLiteral("1"))
{
    t->append();
    t->fieldByName(QStringLiteral("Edicion")).setAsString(edicion);
    t->fieldByName(field).setAsString(text);
    t->post();
}

QStringList walk(vdb::DataSet* ds, const QString& field)
{
    QStringList seen;
    for (ds->first(); !ds->eof(); ds->next())
        seen << ds->fieldByName(field).asString();
    return seen;
}

void reopen(vdb::DataSet* ds)
{
    ds->close();
    ds->open();
}

const QString kIconName = QStringLiteral("C:\\iconos\\1.bmp");

QByteArray bmpOf(const QImage& picture)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bmp;
}

// A bitmap whose header claims another width and height.
QByteArray withSize(QByteArray bmp, qint32 width, qint32 height)
{
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    return bmp;
}

// A square 8-bit run-length bitmap with colour 1 blue, around the given runs.
QByteArray rle8(qint32 side, const QByteArray& runs)
{
    QByteArray bmp = withSize(bmpOf(QImage(1, 1, QImage::Format_Indexed8)).left(54), side, side);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<quint32>(1, bmp.data() + 30); // run-length, 8 bits
    qToLittleEndian<quint32>(2, bmp.data() + 46); // colours used
    bmp += QByteArray::fromHex("00000000ff000000") + runs;
    qToLittleEndian<quint32>(54 + 8, bmp.data() + 10);
    qToLittleEndian<quint32>(quint32(bmp.size()), bmp.data() + 2);
    return bmp;
}

} // namespace

class TstDataSet : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_data = std::make_unique<ModuleData>(); }
    void cleanup() { m_data.reset(); }

    void walkFollowsAppendOrder_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("questions") << "Preguntas";
        QTest::newRow("results") << "Pregunta"; // read through an index in another order
    }
    void walkFollowsAppendOrder()
    {
        QFETCH(QString, field);
        const QString table
            = field == QLatin1String("Pregunta") ? QStringLiteral("tesis") : QStringLiteral("preguntas");
        vdb::Table* t = table == QLatin1String("tesis") ? DataModule6->Table3 : DataModule6->Table2;
        t->open();
        t->open(); // a second open changes nothing
        QStringList texts { "zeta", "", "alfa", "", "alfa", "borrada", "omega" };
        for (int i = 0; i < texts.size(); ++i)
            append(t, field, texts[i], QString::number(20 - i));
        t->first();
        for (int i = 0; i < 5; ++i)
            t->next();
        t->deleteRecord();
        QCOMPARE(t->fieldByName(field).asString(), QStringLiteral("omega")); // the row after
        t->insert(); // before the current row
        t->fieldByName(field).setAsString(QStringLiteral("b"));
        t->post();
        QCOMPARE(t->fieldByName(field).asString(), QStringLiteral("b"));
        t->close();
        // Another program's row with a far rowid.
        withTableFile(m_data->tablePath(table + QStringLiteral(".DB")), [&](QSqlDatabase& db) {
            execOn(db,
                QStringLiteral("INSERT INTO %1 (rowid, Edicion, %2) VALUES (5000000, 0, 'lejos')").arg(table, field));
        });
        t->open();
        append(t, field, QStringLiteral("final"));
        // Renumbering walk: each row is changed and posted, then next.
        int n = 0;
        for (t->first(); !t->eof(); t->next()) {
            t->edit();
            t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(++n));
            t->post();
        }
        t->close();
        t->close();
        t->open();
        QCOMPARE(walk(t, field), (QStringList { "zeta", "", "alfa", "", "alfa", "b", "omega", "lejos", "final" }));
        QCOMPARE(walk(t, QStringLiteral("Edicion")), (QStringList { "1", "2", "3", "4", "5", "6", "7", "8", "9" }));
    }

    void beginEndAndDelete()
    {
        vdb::Table* t = DataModule6->Table1;
        t->open();
        t->last();
        QVERIFY(t->bof() && t->eof()); // empty: both stay true
        t->edit(); // on an empty table: an insert
        QCOMPARE(t->state(), vdb::State::Insert);
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("1"));
        t->post();
        append(t, QStringLiteral("Num"), QStringLiteral("2"));
        t->last();
        QVERIFY(!t->bof() && t->eof());
        t->first();
        QVERIFY(t->bof() && !t->eof());
        t->next();
        t->next(); // past the last row: end of data, still on it
        QVERIFY(t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("2"));
        t->prior();
        t->prior();
        QVERIFY(t->bof());
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("1"));
        // Deleting the last row makes the one before it current; the only row, none.
        append(t, QStringLiteral("Num"), QStringLiteral("3"));
        t->deleteRecord();
        QVERIFY(t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("2"));
        t->first();
        t->deleteRecord();
        QVERIFY(!t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("2"));
        t->deleteRecord();
        QVERIFY(t->bof() && t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QString());
        reopen(t);
        QCOMPARE(t->recordCount(), 0);
    }

    void closedEmptyAndUnknownFieldMessages()
    {
        vdb::Table* t = DataModule6->Table3;
        const QString closed = QStringLiteral("Cannot perform this operation on a closed dataset");
        QCOMPARE(errorOf([&] { t->first(); }), closed);
        QCOMPARE(errorOf([&] { t->recordCount(); }), closed);
        QCOMPARE(errorOf([&] { t->fieldByName(QStringLiteral("Icono")); }), closed);
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), closed);
        t->open();
        QCOMPARE(
            errorOf([&] { t->deleteRecord(); }), QStringLiteral("Cannot perform this operation on an empty dataset"));
        QCOMPARE(
            errorOf([&] { t->fieldByName(QStringLiteral("Nombre")); }), QStringLiteral("Field 'Nombre' not found"));
        QCOMPARE(t->fieldByName(QStringLiteral("ICONO")).fieldName(), QStringLiteral("Icono"));
    }

    void fieldFromText_data()
    {
        // The text set, what the field then reads, or the message that refuses it.
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        const QString range
            = QStringLiteral("%1 is not a valid value for field 'Suma_tiempo'. The allowed range is -32768 to 32767");
        const QString integer = QStringLiteral("'%1' is not a valid integer value for field 'Suma_tiempo'");
        auto row = [](const char* name, const QString& field, const QString& text, const QString& stored,
                       const QString& message = {}) { QTest::newRow(name) << field << text << stored << message; };
        const QString sum = QStringLiteral("Suma_tiempo");
        row("bottom", sum, "-32768", "-32768");
        row("top", sum, "32767", "32767");
        row("below bottom", sum, "-32769", "", range.arg("-32769"));
        row("above top", sum, "32768", "", range.arg("32768"));
        row("empty number is blank", sum, "", "");
        row("beyond 32 bits", sum, "3000000000", "", integer.arg("3000000000"));
        row("word", sum, "doce", "", integer.arg("doce"));
        row("blanks", sum, " 7", "", integer.arg(" 7"));
        row("empty text is blank", "Direccion", "", "");
        // Texts are cut to the width, counting whole characters: one beyond the
        // basic plane is kept whole or left out, never cut into half a pair.
        for (const auto& [field, width] : std::initializer_list<std::pair<QString, int>> {
                 { "Preguntas", 75 }, { "Pregunta", 75 }, { "Tiempo", 12 }, { "Direccion", 255 } }) {
            const QString full(width, u'x');
            QTest::addRow("%s at its width", qPrintable(field)) << field << full << full << "";
            QTest::addRow("%s one over", qPrintable(field)) << field << full + u'y' << full << "";
        }
        const QString pair = QString(74, u'a') + QStringLiteral("\U0001F600");
        row("character pair at the width", "Preguntas", pair, pair);
        row("character pair one over", "Preguntas", pair + pair.right(2), pair);
    }
    void fieldFromText()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        vdb::Table* t = field == QLatin1String("Direccion") ? DataModule6->Table1
            : field == QLatin1String("Preguntas")           ? DataModule6->Table2
                                                            : DataModule6->Table3;
        t->open();
        append(t, field, QStringLiteral("5"));
        t->edit();
        t->fieldByName(field).setAsString(text);
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("2"));
        QCOMPARE(errorOf([&] { t->post(); }), message);
        if (!message.isEmpty()) {
            // The row is not written and is still being edited.
            QCOMPARE(t->state(), vdb::State::Edit);
            t->cancel();
        }
        reopen(t);
        QCOMPARE(t->fieldByName(field).asString(), message.isEmpty() ? stored : QStringLiteral("5"));
        QCOMPARE(t->fieldByName(QStringLiteral("edicion")).asString(), QString(message.isEmpty() ? "2" : "1"));
        QCOMPARE(t->fieldByName(field).value().isNull(), message.isEmpty() && stored.isEmpty());
    }

    void pictureStoredForm_data()
    {
        QTest::addColumn<bool>("olderFile");
        QTest::newRow("pictures kept apart, once each") << false;
        QTest::newRow("older file, pictures in the rows") << true;
    }
    void pictureStoredForm()
    {
        QFETCH(bool, olderFile);
        const QString file = m_data->tablePath(QStringLiteral("tesis.DB"));
        if (olderFile)
            withTableFile(file, [](QSqlDatabase& db) { execOn(db, QStringLiteral("DROP TABLE tesis_graficos")); });
        // A bitmap file image of 1000 bytes (5 x 59 pixels, two bytes after the pixels).
        QImage picture(5, 59, QImage::Format_RGB888);
        for (int y = 0; y < 59; ++y)
            for (int x = 0; x < 5; ++x)
                picture.setPixelColor(x, y, QColor(200, y * 4, x * 40));
        QByteArray bmp = bmpOf(picture);
        bmp.append(1000 - bmp.size(), '\0');
        const QByteArray stored = vdb::encodeGraphicBytes(bmp);
        QCOMPARE(stored.size(), 1008);
        QCOMPARE(stored.left(8), QByteArray::fromHex("01000001e8030000"));

        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (int i = 0; i < 3; ++i) {
            t->append();
            if (i == 1)
                t->fieldByName(QStringLiteral("Grafico")).setBlob(bmp); // a bare bitmap file image
            else
                t->fieldByName(QStringLiteral("Grafico")).setImage(picture);
            t->post();
        }
        // Rows of a newer file refer to their pictures, each kept once.
        const QString inRow = olderFile ? QStringLiteral("1") : QStringLiteral("0");
        QCOMPARE(fileRows(file, QStringLiteral("tesis"), QStringLiteral("length(Grafico) >= 1000")),
            (QStringList { inRow, inRow, inRow }));
        if (!olderFile)
            QCOMPARE(fileRows(file, QStringLiteral("tesis_graficos"), QStringLiteral("count(*)")), QStringList { "2" });
        reopen(t);
        vdb::Field grafico = t->fieldByName(QStringLiteral("Grafico"));
        const QByteArray blob = grafico.asBlob();
        QCOMPARE(blob.left(4), QByteArray::fromHex("01000001"));
        QCOMPARE(qFromLittleEndian<quint32>(blob.constData() + 4), quint32(blob.size() - 8));
        QCOMPARE(grafico.asImage(), picture.convertToFormat(grafico.asImage().format()));
        t->next();
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asBlob(), bmp);
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asImage(), grafico.asImage());
        t->next();
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asBlob(), blob);
        // A query reads the same bytes, whichever way the file keeps them.
        vdb::Query* q = DataModule6->Query3;
        q->close();
        q->clearSql();
        q->addSql(QStringLiteral("SELECT * FROM tesis"));
        q->open();
        for (const QByteArray& expected : { blob, bmp, blob }) {
            QCOMPARE(q->fieldByName(QStringLiteral("Grafico")).asBlob(), expected);
            q->next();
        }
    }

    void iconBitmapFiles_data()
    {
        // A file's bytes; the picture it is read as, or the message when it is refused.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QString>("message");
        QImage rows(3, 2, QImage::Format_RGB888);
        rows.fill(Qt::blue);
        rows.setPixelColor(0, 0, Qt::red);
        QByteArray topDown = bmpOf(rows);
        qToLittleEndian<qint32>(-2, topDown.data() + 22);
        std::swap_ranges(topDown.begin() + 54, topDown.begin() + 66, topDown.begin() + 66);
        QImage wide(1024, 1, QImage::Format_RGB888);
        wide.fill(Qt::green);
        // Runs of colour 1, 1024 pixels a row: a small file for a large picture.
        const QByteArray runs
            = QByteArray::fromHex("ff01ff01ff01ff010401 0000").repeated(1024) + QByteArray::fromHex("0001");
        QImage filled(1024, 1024, QImage::Format_RGB888);
        filled.fill(QColor(0, 0, 255));
        const QString tooLarge
            = QStringLiteral("La imagen %1 mide %2 píxeles; un icono puede medir como máximo 1024 x 1024");
        const QString invalid = QStringLiteral("Bitmap image is not valid");
        QTest::newRow("top-down") << topDown << rows << "";
        QTest::newRow("1024 x 1") << bmpOf(wide) << wide << "";
        QTest::newRow("run-length 1024 x 1024") << rle8(1024, runs) << filled << "";
        QTest::newRow("1025 x 1") << withSize(bmpOf(wide), 1025, 1) << QImage() << tooLarge.arg(kIconName, "1025 x 1");
        QTest::newRow("1 x 1025 top-down")
            << withSize(bmpOf(rows), 1, -1025) << QImage() << tooLarge.arg(kIconName, "1 x 1025");
        QTest::newRow("run-length bomb") << rle8(4096, QByteArray::fromHex("0001")) << QImage()
                                         << tooLarge.arg(kIconName, "4096 x 4096");
        QTest::newRow("largest claims") << withSize(bmpOf(rows), INT_MAX, INT_MIN) << QImage()
                                        << tooLarge.arg(kIconName, "2147483647 x 2147483648");
        QByteArray bits = bmpOf(wide);
        qToLittleEndian<quint16>(65535, bits.data() + 28);
        QTest::newRow("65535 bits a pixel") << bits << QImage() << invalid;
        QTest::newRow("no width") << withSize(bmpOf(rows), 0, 2) << QImage() << invalid;
    }
    void iconBitmapFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QImage, picture);
        QFETCH(QString, message);
        const QString path = m_data->path(QStringLiteral("1.bmp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        QImage read;
        QCOMPARE(errorOf([&] { read = vdb::loadBitmapFile(path, kIconName); }), message);
        QCOMPARE(read.convertToFormat(QImage::Format_RGB888), picture);
    }

    void badTableFilesAreLeftAlone_data()
    {
        // A file's bytes or the statement that makes it; the exact message, or
        // the file name that the message must name.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QString named = QStringLiteral("preguntas.DB");
        QTest::newRow("missing") << QByteArray("<missing>") << named;
        QTest::newRow("empty") << QByteArray() << named;
        QTest::newRow("garbage") << QByteArray("this is not a table at all, just some text\n").repeated(200) << named;
        QTest::newRow("sqlite header, garbage after")
            << (QByteArray("SQLite format 3") + '\0' + QByteArray(4080, '\x5a')) << named;
        QTest::newRow("another table") << QByteArray("CREATE TABLE agenda (nombre TEXT)") << named;
        QTest::newRow("field missing") << QByteArray("CREATE TABLE preguntas (Edicion SMALLINT)")
                                       << "Field 'Preguntas' not found";
        QTest::newRow("field of another kind")
            << QByteArray("CREATE TABLE preguntas (Edicion VARCHAR(4), Preguntas VARCHAR(75))")
            << "Type mismatch for field 'Edicion', expecting: SmallInt actual: String";
        QTest::newRow("wider text is fine")
            << QByteArray("CREATE TABLE preguntas (edicion SMALLINT, preguntas VARCHAR(200))") << "";
    }
    void badTableFilesAreLeftAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_data->tablePath(QStringLiteral("preguntas.DB"));
        const bool missing = content == "<missing>";
        QFile::remove(path);
        if (content.startsWith("CREATE")) {
            withTableFile(path, [&](QSqlDatabase& db) { execOn(db, QString::fromLatin1(content)); });
        } else if (!missing) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = fileBytes(path);
        const QString error = errorOf([] { DataModule6->Table2->open(); });
        if (message.endsWith(QStringLiteral(".DB"))) {
            QVERIFY2(error.contains(message), qPrintable(error));
            // The question list meets the same file and says so too.
            const QString listError = errorOf([] { ::questionLines(QStringLiteral("1")); });
            QVERIFY2(missing ? !listError.isEmpty() : listError.contains(message), qPrintable(listError));
        } else {
            QCOMPARE(error, message);
        }
        QCOMPARE(DataModule6->Table2->active(), error.isEmpty());
        QCOMPARE(QFileInfo::exists(path), !missing);
        QCOMPARE(fileBytes(path), before);
        DataModule6->Table1->open(); // the other tables still work
        QCOMPARE(DataModule6->Table1->recordCount(), 0);
    }

    void tableFileReplacedWhileOpen()
    {
        // Restored from a copy while the table is open: a write through the
        // old file would be lost.
        const QString path = m_data->tablePath(QStringLiteral("variables.DB"));
        vdb::Table* t = DataModule6->Table1;
        t->open();
        append(t, QStringLiteral("Num"), QStringLiteral("4"));
        const QString copy = m_data->path(QStringLiteral("copia.DB"));
        QVERIFY(QFile::copy(path, copy) && QFile::remove(path) && QFile::copy(copy, path));
        const QString message = errorOf([&] { t->edit(); });
        QVERIFY2(message.contains(QStringLiteral("variables.DB")), qPrintable(message));
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), message);
        QCOMPARE(fileBytes(path), fileBytes(copy));
        reopen(t); // a fresh open writes to the file now there
        t->edit();
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("6"));
        t->post();
        reopen(t);
        QCOMPARE(walk(t, QStringLiteral("Num")), QStringList { "6" });
    }

    void questionLines_data()
    {
        QTest::addColumn<QString>("edicion");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("blank questions are one blank, order kept")
            << "1"
            << QStringList { "¿Cómo te sientes hoy?", " ", QString(75, QLatin1Char('x')), " ", "  con blancos  " };
        QTest::newRow("other edition") << "2" << QStringList { "segunda, 1", " " };
        QTest::newRow("two digits") << "12" << QStringList { "doce" };
        QTest::newRow("no questions") << "5" << QStringList {};
        QTest::newRow("no edition") << "" << QStringList {};
    }
    void questionLines()
    {
        QFETCH(QString, edicion);
        QFETCH(QStringList, lines);
        vdb::Table* t = DataModule6->Table2;
        t->open();
        const QList<std::pair<int, QString>> rows { { 2, "segunda, 1" }, { 1, "¿Cómo te sientes hoy?" },
            { 2, QString() }, { 1, QString() }, { 1, QString(75, QLatin1Char('x')) }, { 12, "doce" }, { 1, QString() },
            { 1, "  con blancos  " } };
        for (const auto& [e, text] : rows)
            append(t, QStringLiteral("Preguntas"), text, QString::number(e));
        t->close();
        QCOMPARE(::questionLines("2").size(), 2); // an earlier result is replaced
        QCOMPARE(::questionLines(edicion), lines);
        // Left open on the result for the caller.
        QVERIFY(DataModule6->Query1->active());
        QCOMPARE(DataModule6->Query1->recordCount(), lines.size());
    }

    void valuesTravelAsBoundParameters()
    {
        // Quotes, a statement, a backslash and wildcards, taken literally.
        const QString text = QStringLiteral("l'été \"feliz\"; DROP TABLE tesis; -- C:\\iconos\\ %_");
        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (const QString& p : { text, QStringLiteral("otra"), text + QLatin1Char('x'), QStringLiteral("%") })
            append(t, QStringLiteral("Pregunta"), p);
        vdb::Query* q = DataModule6->Query3;
        q->clearSql();
        q->addSql(QStringLiteral("SELECT * FROM tesis WHERE Edicion = ? AND Pregunta = ?"), { 1, text });
        q->open();
        QCOMPARE(q->recordCount(), 1);
        QCOMPARE(q->fieldByName(QStringLiteral("pregunta")).asString(), text);
        reopen(t);
        QCOMPARE(t->recordCount(), 4);
    }

private:
    std::unique_ptr<ModuleData> m_data;
};

QTEST_MAIN(TstDataSet)
#include "tst_dataset.moc"
