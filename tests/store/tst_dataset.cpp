// Datasets over real table files: moves, edits, text rules, pictures, question lists, icon file names;
// transactions over the three files; the vesmarin-init command, which never changes a file that exists.

#include "platform/db/bitmap_file.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QtEndian>
#include <QtTest>

using namespace testing_support;

namespace {

void append(vdb::Table* t, const QString& field, const QString& text, const QString& edicion = "1")
{
    t->append();
    t->fieldByName("Edicion").setAsString(edicion);
    t->fieldByName(field).setAsString(text);
    t->post();
}

// Each row's fields (comma-separated names) as "a|b", as fileRows gives them; a picture as its bytes in base 64.
QStringList walk(vdb::DataSet* ds, const QString& fields)
{
    QStringList seen;
    for (ds->first(); !ds->eof(); ds->next()) {
        QStringList row;
        for (const QString& name : fields.split(u',')) {
            const vdb::Field f = ds->fieldByName(name);
            row << (f.dataType() == vdb::FieldType::Graphic ? QString::fromLatin1(f.asBlob().toBase64())
                                                            : f.asString());
        }
        seen << row.join(u'|');
    }
    return seen;
}

const auto reopen = [](vdb::DataSet* ds) { ds->close(), ds->open(); };

void setFirst(vdb::Table* t, const QString& field, const QString& text)
{
    t->first();
    t->edit();
    t->fieldByName(field).setAsString(text);
    t->post();
}

// A bitmap whose header claims another width and height.
QByteArray withSize(QByteArray bmp, qint32 width, qint32 height)
{
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    return bmp;
}

} // namespace

class TstDataSet : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_data = std::make_unique<ModuleData>(); }
    void cleanup() { m_data.reset(); }

    void storedOrder()
    {
        // Rows keep the order they are stored in, through inserts, deletes, other programs' rows and indexes.
        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (const char* text : { "zeta", "", "alfa", "", "alfa", "borrada", "omega" })
            append(t, "Pregunta", text, QString::number(20 - t->recordCount()));
        t->open(); // a second open changes nothing
        t->prior();
        t->insert(); // before it
        t->fieldByName("Pregunta").setAsString("b");
        t->post();
        t->next(); // the rows after an inserted one moved up
        t->deleteRecord();
        t->close();
        // Another program's row with a far rowid; an older file's index over every field but the pictures, which
        // would read the rows in another order.
        const QString path = file("tesis");
        withTableFile(path, [&](QSqlDatabase& db) {
            execOn(db, "INSERT INTO tesis (rowid, Edicion, Pregunta) VALUES (5000000, 0, 'lejos')");
            execOn(
                db, "CREATE INDEX viejo ON tesis (Edicion, Pregunta, Icono, Tiempo, Suma_tiempo, Rep_icono, Promedio)");
        });
        t->open();
        append(t, "Pregunta", "final");
        // Restored from a copy while open: a write through the old file would be lost.
        const QString copy = m_data->path("copia.DB");
        QVERIFY(QFile::copy(path, copy) && QFile::remove(path) && QFile::copy(copy, path));
        const QString message = errorOf([&] { t->edit(); });
        QVERIFY2(message.contains("tesis.DB"), qPrintable(message));
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), message);
        QCOMPARE(fileBytes(path), fileBytes(copy));
        reopen(t); // a fresh open writes to the file now there
        // Renumbering walk: each row is changed, and moving on posts it.
        int n = 0;
        for (t->first(); !t->eof(); t->next()) {
            t->edit();
            t->fieldByName("Edicion").setAsString(QString::number(++n));
        }
        t->close();
        t->close();
        t->open();
        QCOMPARE(walk(t, "Edicion,Pregunta"),
            (QStringList { "1|zeta", "2|", "3|alfa", "4|", "5|alfa", "6|b", "7|omega", "8|lejos", "9|final" }));
    }

    void movesAndMessages()
    {
        vdb::Table* t = DataModule6->Table1;
        const QString closed = "Cannot perform this operation on a closed dataset";
        QCOMPARE(errorOf([&] { t->first(); }), closed);
        QCOMPARE(errorOf([&] { t->fieldByName("Num"); }), closed);
        t->open();
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), "Cannot perform this operation on an empty dataset");
        QCOMPARE(errorOf([&] { t->fieldByName("Nombre"); }), "Field 'Nombre' not found");
        QCOMPARE(t->fieldByName("NUM").fieldName(), "Num");
        // bof, eof and Num after each of First Last Next Prior Delete Edit, or a digit appended; a move drops an
        // untouched edit.
        const std::map<QChar, void (vdb::DataSet::*)()> moves { { u'F', &vdb::DataSet::first },
            { u'L', &vdb::DataSet::last }, { u'N', &vdb::DataSet::next }, { u'P', &vdb::DataSet::prior },
            { u'D', &vdb::DataSet::deleteRecord }, { u'E', &vdb::DataSet::edit } };
        QStringList seen;
        for (const QChar m : QStringLiteral("LE12LFENNPP3DFNPDD")) {
            if (moves.count(m))
                (t->*moves.at(m))();
            else if (t->state() != vdb::State::Browse) // the edit of an empty table inserts
                (t->fieldByName("Num").setAsString(m), t->post());
            else
                append(t, "Num", m);
            seen
                << QStringLiteral("%1%2%3").arg(int(t->bof())).arg(int(t->eof())).arg(t->fieldByName("Num").asString());
        }
        // Past either end the row stays; deleting the last row makes the one before current.
        QCOMPARE(seen.join(u' '), "11 11 001 002 012 101 101 002 012 001 101 003 012 101 002 001 002 11");
        reopen(t);
        QVERIFY(t->recordCount() == 0 && t->bof() && t->eof());
    }

    void fieldFromText_data()
    {
        // The text set, what the field then reads, or the message that refuses it.
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        const QString range = "%1 is not a valid value for field 'Suma_tiempo'. The allowed range is -32768 to 32767";
        const QString integer = "'%1' is not a valid integer value for field 'Suma_tiempo'";
        auto row = [](const char* name, const QString& field, const QString& text, const QString& stored,
                       const QString& message = {}) { QTest::newRow(name) << field << text << stored << message; };
        const QString sum = "Suma_tiempo";
        row("top", sum, "32767", "32767");
        row("above top", sum, "32768", "", range.arg("32768"));
        row("bottom", sum, "-32768", "-32768");
        row("below bottom", sum, "-32769", "", range.arg("-32769"));
        row("empty number is blank", sum, "", "");
        row("beyond 32 bits", sum, "3000000000", "", integer.arg("3000000000"));
        row("blanks", sum, " 7", "", integer.arg(" 7"));
        row("empty text is blank", "Tiempo", "", "");
        // Cut to the width in whole characters: a surrogate pair kept whole or left out.
        row("text at the width", "Tiempo", "123456789012", "123456789012");
        row("text one over", "Tiempo", "1234567890123", "123456789012");
        const QString pair = QString(11, u'a') + "\U0001F600";
        row("character pair at the width", "Tiempo", pair, pair);
        row("character pair one over", "Tiempo", pair + pair.right(2), pair);
    }
    void fieldFromText()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        vdb::Table* t = DataModule6->Table3;
        t->open();
        QCOMPARE(errorOf([&] { append(t, field, text, "2"); }), message);
        // A refused row is not written and is still being edited.
        QCOMPARE(t->state(), message.isEmpty() ? vdb::State::Browse : vdb::State::Insert);
        t->cancel();
        reopen(t);
        QCOMPARE(walk(t, "Edicion," + field), message.isEmpty() ? QStringList { "2|" + stored } : QStringList());
        QCOMPARE(t->fieldByName(field).value().isNull(), stored.isEmpty());
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
        const QString file = m_data->tablePath("tesis.DB");
        if (olderFile)
            withTableFile(file, [](QSqlDatabase& db) { execOn(db, "DROP TABLE tesis_graficos"); });
        const QByteArray bmp = fileBytes(writeBitmap(m_data->path("5x59.bmp"), 5, 59));
        const QImage picture = QImage::fromData(bmp).convertToFormat(QImage::Format_RGB888);
        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (int i = 0; i < 3; ++i) {
            t->append();
            if (i == 1)
                t->fieldByName("Grafico").setBlob(bmp); // a bare bitmap file image
            else
                t->fieldByName("Grafico").setImage(picture);
            t->post();
        }
        // Rows of a newer file refer to their pictures, each kept once.
        QCOMPARE(fileRows(file, "tesis", "typeof(Grafico)").join(u' '),
            olderFile ? "blob blob blob" : "integer integer integer");
        if (!olderFile)
            QCOMPARE(fileRows(file, "tesis_graficos", "count(*)"), QStringList { "2" });
        // Stored as one bitmap file image: count 1, kind 0x0100, then its length.
        QByteArray stored = QByteArray::fromHex("0100000100000000") + bmp;
        qToLittleEndian<quint32>(quint32(bmp.size()), stored.data() + 4);
        const QStringList bytes { stored.toBase64(), bmp.toBase64(), stored.toBase64() };
        reopen(t);
        t->first();
        for (int i = 0; i < 2; ++i, t->next())
            QCOMPARE(t->fieldByName("Grafico").asImage().convertToFormat(QImage::Format_RGB888), picture);
        // A query reads the same bytes, whichever way the file keeps them.
        DataModule6->Query3->open();
        for (vdb::DataSet* read : QList<vdb::DataSet*> { t, DataModule6->Query3 })
            QCOMPARE(walk(read, "Grafico"), bytes);
    }

    void iconBitmapFiles_data()
    {
        // A file's bytes; the message when it is refused.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QTemporaryDir dir;
        const QByteArray small = fileBytes(writeBitmap(dir.filePath("3x2.bmp"), 3, 2));
        // An 8-bit run-length bitmap: runs of 1024 pixels a row, its data far shorter than its rows.
        QByteArray rle = withSize(small.left(54), 1024, 1024);
        qToLittleEndian<quint16>(8, rle.data() + 28);
        qToLittleEndian<quint32>(1, rle.data() + 30); // run-length, 8 bits
        qToLittleEndian<quint32>(2, rle.data() + 46); // colours used
        rle += QByteArray::fromHex("00000000ff000000") + QByteArray::fromHex("ff01ff01ff01ff0104010000").repeated(1024)
            + QByteArray::fromHex("0001");
        qToLittleEndian<quint32>(54 + 8, rle.data() + 10);
        qToLittleEndian<quint32>(quint32(rle.size()), rle.data() + 2);
        const QString tooLarge = QStringLiteral(
            "La imagen C:\\iconos\\1.bmp mide %1 píxeles; un icono puede medir como máximo 1024 x 1024");
        QTest::newRow("run-length 1024 x 1024") << rle << "";
        QTest::newRow("1 x 1025 top-down") << withSize(small, 1, -1025) << tooLarge.arg("1 x 1025");
        QTest::newRow("1025 x 1") << withSize(small, 1025, 1) << tooLarge.arg("1025 x 1");
        QTest::newRow("no width") << withSize(small, 0, 2) << "Bitmap image is not valid";
        QTest::newRow("largest claims") << withSize(small, INT_MAX, INT_MIN) << tooLarge.arg("2147483647 x 2147483648");
    }
    void iconBitmapFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = m_data->path("1.bmp");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        f.close();
        QImage read;
        QCOMPARE(errorOf([&] { read = vdb::loadBitmapFile(path, "C:\\iconos\\1.bmp"); }), message);
        QCOMPARE(read.size(), message.isEmpty() ? QSize(1024, 1024) : QSize(0, 0));
    }

    void badTableFilesAreLeftAlone_data()
    {
        // A file's bytes or the statement that makes it; what opening it says, and what vesmarin-init says.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("why");
        const QString named = "preguntas.DB";
        QTest::newRow("missing") << QByteArray("<missing>") << named << "";
        QTest::newRow("empty") << QByteArray() << named << "no contiene la tabla 'preguntas'";
        QTest::newRow("sqlite header, garbage after")
            << (QByteArray("SQLite format 3") + '\0' + QByteArray(4080, '\x5a')) << named
            << "file is not a database Unable to execute statement";
        QTest::newRow("field missing") << QByteArray("CREATE TABLE preguntas (Edicion SMALLINT)")
                                       << "Field 'Preguntas' not found"
                                       << "falta el campo 'Preguntas'";
        QTest::newRow("field of another kind")
            << QByteArray("CREATE TABLE preguntas (Edicion VARCHAR(4), Preguntas VARCHAR(75))")
            << "Type mismatch for field 'Edicion', expecting: SmallInt actual: String"
            << "el campo 'Edicion' es String, no SmallInt";
        QTest::newRow("wider text is fine")
            << QByteArray("CREATE TABLE preguntas (edicion SMALLINT, preguntas VARCHAR(200))") << ""
            << "";
    }
    void badTableFilesAreLeftAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QString, why);
        const QString path = file("preguntas");
        const bool missing = content == "<missing>";
        QFile::remove(path);
        if (content.startsWith("CREATE")) {
            withTableFile(path, [&](QSqlDatabase& db) { execOn(db, QString::fromLatin1(content)); });
        } else if (!missing) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        const QByteArray before = fileBytes(path);
        const QString error = errorOf([] { DataModule6->Table2->open(); });
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
        if (message.endsWith(".DB")) { // the question list meets the same file and says so too
            const QString listError = errorOf([] { ::questionLines("1"); });
            QVERIFY2(missing ? !listError.isEmpty() : listError.contains(message), qPrintable(listError));
        }
        DataModule6->Table1->open(); // the other tables still work
        QCOMPARE(DataModule6->Table1->recordCount(), 0);
        // vesmarin-init, run as a user runs it, refuses it too and leaves it alone; it makes what is missing, and
        // only that, all the same: a file it made anew would be named. Neither the opens nor the command made or
        // changed the file.
        QVERIFY(QFile::remove(file("tesis")));
        QProcess init;
        init.start(QCoreApplication::applicationDirPath() + "/../../vesmarin-init", {});
        QVERIFY2(init.waitForFinished(30000) && init.exitStatus() == QProcess::NormalExit, "vesmarin-init did not end");
        QCOMPARE(init.exitCode(), int(!why.isEmpty()));
        QCOMPARE(QString::fromLocal8Bit(init.readAllStandardOutput() + init.readAllStandardError()),
            (missing ? "Creada la tabla " + path + "\n" : QString()) + "Creada la tabla " + file("tesis") + "\n"
                + (why.isEmpty() ? QString() : "El archivo '" + path + "' no es una tabla válida: " + why + "\n"));
        if (!missing)
            QCOMPARE(fileBytes(path), before);
    }

    void tableFilesOfTheFolder()
    {
        // Any case of the ending, links followed; folders and hidden files are no tables.
        const QString junk = file("basura").chopped(3) + ".db";
        QVERIFY(QDir().mkpath(file("carpeta")) && QFile::link(file("preguntas"), file("enlace"))
            && QFile::link(file("carpeta"), file("atajo")));
        for (const QString& path : { junk, file(".oculta") }) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("no") == 2);
        }
        QCOMPARE(vdb::Database::forName(kDatabaseName).attachExisting(),
            QStringList(
                { "No se puede abrir el archivo de tabla '" + junk + "': file is not a database Unable to fetch row",
                    "El archivo '" + file("enlace") + "' no es una tabla válida: no contiene la tabla 'enlace'" }));
    }

    void questionLines()
    {
        // Quotes, a statement and wildcards in a text are taken literally.
        const QString odd = "  l'été \"feliz\"; DROP TABLE preguntas; -- %_  ";
        const QString wide(75, u'x');
        writeSurvey(2, { "segunda, 1", "" });
        writeSurvey(1, { "¿Cómo te sientes hoy?", "", wide, "", odd });
        writeSurvey(12, { "doce" });
        // An older file's index over both fields would give another order.
        withTableFile(file("preguntas"),
            [](QSqlDatabase& db) { execOn(db, "CREATE INDEX viejo ON preguntas (Edicion, Preguntas)"); });
        // Blank questions are one blank, the order is kept; each call replaces the earlier result.
        QStringList lists;
        for (const char* edicion : { "2", "1", "12", "5", "" })
            lists << ::questionLines(edicion).join(u'/');
        QCOMPARE(
            lists, (QStringList { "segunda, 1/ ", "¿Cómo te sientes hoy?/ /" + wide + "/ /" + odd, "doce", "", "" }));
    }

    // The folder as given, "\", the number and ".bmp"; "\" then separates directories.
    void iconFileNames()
    {
        QStringList names;
        for (const char* dir : { "/datos/iconos", "C:\\iconos\\", "", " /x " }) {
            DirIconos = QString::fromUtf8(dir);
            names << ::iconFileName(12) + u'>' + iconFilePath(::iconFileName(12));
        }
        QCOMPARE(names,
            (QStringList { "/datos/iconos\\12.bmp>/datos/iconos/12.bmp", "C:\\iconos\\\\12.bmp>C:/iconos//12.bmp",
                "\\12.bmp>/12.bmp", " /x \\12.bmp> /x /12.bmp" }));
    }

    // A query's values read as the driver reads them, texts of any bytes
    // included, whichever row the cursor reaches first.
    void queryReadsAsTheDriver()
    {
        const QString path = m_data->tablePath("tesis.DB");
        withTableFile(path, [](QSqlDatabase& db) {
            for (const char* text : { "'uno'", "'¿Cómo?'", "X'C328'", "X'EFBFBF'", "X'EFBBBF61'", "NULL", "X'80FF'" })
                execOn(
                    db, QStringLiteral("INSERT INTO tesis (Edicion, Pregunta) VALUES (7, CAST(%1 AS TEXT))").arg(text));
        });
        const QString columns = "Pregunta,Edicion,rowid * 0.5";
        vdb::Query* q = DataModule6->Query1;
        q->clearSql();
        q->addSql("SELECT " + columns + " FROM tesis ORDER BY rowid");
        q->open();
        q->last();
        QCOMPARE(walk(q, columns), fileRows(path, "tesis", columns));
    }
    void transactionsAreAllOrNothing()
    {
        auto files
            = [&] { return fileBytes(file("variables")) + fileBytes(file("preguntas")) + fileBytes(file("tesis")); };
        writeSurvey(1, { QStringLiteral("uno"), QStringLiteral("dos") });
        writeResult(1, QStringLiteral("uno"), 1, 3, 2);
        failWritesWhere(file("tesis"), "tesis", "UPDATE", "NEW.Rep_icono = 6"); // as a full disk would
        const QByteArray before = files();
        for (vdb::Table* t : { DataModule6->Table1, DataModule6->Table2, DataModule6->Table3 })
            t->open();
        // The files hold the rows written above and the open datasets show them, not undone ones.
        auto shown = [] {
            return walk(DataModule6->Table1, "Edicion") + walk(DataModule6->Table2, "Preguntas")
                + walk(DataModule6->Table3, "Rep_icono");
        };
        const QStringList shownBefore = shown();
        auto fails = [&](const std::function<void()>& action, const QString& error) {
            const QString got = errorOf(action);
            QVERIFY2(got.contains(error), qPrintable(got));
            QVERIFY(files() == before);
            QCOMPARE(DataModule6->Table3->state(), vdb::State::Browse);
            QCOMPARE(shown(), shownBefore);
        };
        // A renumbering that touches every table, then posts the given count.
        auto renumber = [](const QString& count) {
            vdb::Transaction tx(kDatabaseName);
            setFirst(DataModule6->Table1, "Edicion", "7");
            DataModule6->Table2->first();
            DataModule6->Table2->deleteRecord();
            setFirst(DataModule6->Table3, "Rep_icono", "4");
            setFirst(DataModule6->Table3, "Rep_icono", count);
            tx.commit();
        };
        fails([&] { renumber("99999"); }, "99999"); // out of range: fails part-way
        // An inner block that gives up, or a write that fails, spoils the block
        // around it even when its error is let pass: that block's commit fails.
        auto spoils = [&](const std::function<void()>& inner) {
            fails(
                [&] {
                    vdb::Transaction outer(kDatabaseName);
                    setFirst(DataModule6->Table1, "Edicion", "7");
                    QVERIFY_THROWS_EXCEPTION(vdb::Error, inner());
                    outer.commit();
                },
                "La transacción se ha deshecho");
        };
        spoils([&] { renumber("99999"); });
        spoils([] { setFirst(DataModule6->Table3, "Rep_icono", "6"); });
        // Another program reading a file keeps the commit from taking it.
        withTableFile(file("tesis"), [&](QSqlDatabase& db) {
            execOn(db, "BEGIN");
            execOn(db, "SELECT count(*) FROM tesis");
            fails([&] { renumber("5"); }, "tesis.DB' está siendo usada por otro programa; vuelva a intentarlo");
            execOn(db, "ROLLBACK");
        });
        QCOMPARE(errorOf([&] {
            vdb::Transaction outer(kDatabaseName);
            renumber("5");
            outer.commit();
        }),
            QString());
        QCOMPARE(fileRows(file("variables"), "variables", "Edicion")
                + fileRows(file("preguntas"), "preguntas", "Preguntas") + fileRows(file("tesis"), "tesis", "Rep_icono"),
            (QStringList { "7", "dos", "5" }));
        // A write-ahead log would let a commit reach one file and not another.
        QCOMPARE(fileRows(file("tesis"), "pragma_journal_mode", "journal_mode"), QStringList { "delete" });
    }

    // The fixture makes the files as vesmarin-init does: each file's fields as it declares them, names, 16-bit
    // numbers, text widths.
    void tableLayouts()
    {
        QStringList declared;
        for (const char* table : { "variables", "preguntas", "tesis" })
            declared << fileRows(
                file(table), QStringLiteral("pragma_table_info('%1')").arg(table), "name || ' ' || type")
                            .join(", ");
        QCOMPARE(declared,
            (QStringList {
                "Edicion SMALLINT, Num SMALLINT, Num_ico SMALLINT, Total_ico SMALLINT, Direccion VARCHAR(255)",
                "Edicion SMALLINT, Preguntas VARCHAR(75)",
                "Edicion SMALLINT, Pregunta VARCHAR(75), Icono SMALLINT, Tiempo VARCHAR(12), Grafico BLOB, "
                "Suma_tiempo SMALLINT, Rep_icono SMALLINT, Promedio SMALLINT" }));
    }

private:
    std::unique_ptr<ModuleData> m_data;
    QString file(const char* table) const { return m_data->tablePath(QLatin1String(table) + ".DB"); }
};

QTEST_MAIN(TstDataSet)
#include "tst_dataset.moc"
