// Datasets over real table files: walking, editing, deleting, the field text
// rules and their messages, and the stored form of a picture.

#include "platform/db/database.h"
#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QBuffer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtEndian>
#include <QtTest>

using testing_support::TestData;

namespace {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const vdb::Error& e) {
        return e.text();
    }
    return {};
}

void appendQuestion(vdb::Table* t, int edicion, const QString& text)
{
    t->append();
    t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
    t->fieldByName(QStringLiteral("Preguntas")).setAsString(text);
    t->post();
}

QStringList walk(vdb::DataSet* ds, const QString& field)
{
    QStringList seen;
    ds->first();
    while (!ds->eof()) {
        seen << ds->fieldByName(field).asString();
        ds->next();
    }
    return seen;
}

// A 24-bit bitmap file image of exactly 1000 bytes: 5 x 59 pixels, rows
// padded to 16 bytes, pixels starting two bytes after the headers.
QByteArray bitmapOf1000Bytes()
{
    QByteArray bmp(1000, '\0');
    char* p = bmp.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(1000, p + 2);
    qToLittleEndian<quint32>(56, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(5, p + 18);
    qToLittleEndian<qint32>(59, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(24, p + 28);
    qToLittleEndian<quint32>(944, p + 34);
    for (int y = 0; y < 59; ++y)
        for (int x = 0; x < 5; ++x) {
            char* px = p + 56 + y * 16 + x * 3;
            px[0] = char(x * 40); // blue
            px[1] = char(y * 4); // green
            px[2] = char(200); // red
        }
    return bmp;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

class TstDataSet : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<TestData>();
        DataModule6 = new TDataModule6;
    }
    void cleanup()
    {
        delete DataModule6;
        DataModule6 = nullptr;
        m_data.reset();
    }

    void walkKeepsAppendOrderAcrossReopen()
    {
        vdb::Table* t = DataModule6->Table2;
        t->open();
        t->open(); // a second open changes nothing
        const QStringList texts { QStringLiteral("zeta"), QString(), QStringLiteral("alfa"), QString(),
            QStringLiteral("alfa") };
        for (const QString& text : texts)
            appendQuestion(t, 3, text);
        QCOMPARE(walk(t, QStringLiteral("preguntas")), texts);
        t->close();
        t->close();
        t->open();
        QCOMPARE(t->recordCount(), 5);
        QCOMPARE(walk(t, QStringLiteral("Preguntas")), texts);
    }

    void resultsTableKeepsAppendOrder()
    {
        // The results table is read through an index in another order; the
        // walk still follows the order of appending, gaps and all.
        vdb::Table* t = DataModule6->Table3;
        t->open();
        QStringList expected;
        for (int i = 0; i < 12; ++i) {
            t->append();
            t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(12 - i));
            t->fieldByName(QStringLiteral("Pregunta")).setAsString(QStringLiteral("p%1").arg(i));
            t->post();
            expected << QStringLiteral("p%1").arg(i);
        }
        t->first();
        t->next();
        t->deleteRecord();
        expected.removeAt(1);
        t->last();
        t->deleteRecord();
        expected.removeLast();
        t->close();
        t->open();
        QCOMPARE(walk(t, QStringLiteral("Pregunta")), expected);
        t->close();
        {
            // Another program's row with a far rowid.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(m_data->tablePath(QStringLiteral("tesis.DB")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(
                q.exec(QStringLiteral("INSERT INTO tesis (rowid, Edicion, Pregunta) VALUES (5000000, 0, 'lejos')")));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        t->open();
        expected << QStringLiteral("lejos");
        QCOMPARE(walk(t, QStringLiteral("Pregunta")), expected);
        t->append();
        t->fieldByName(QStringLiteral("Pregunta")).setAsString(QStringLiteral("final"));
        t->post();
        t->close();
        t->open();
        expected << QStringLiteral("final");
        QCOMPARE(walk(t, QStringLiteral("Pregunta")), expected);
    }

    void postedRowKeepsItsPlaceInAWalk()
    {
        vdb::Table* t = DataModule6->Table2;
        t->open();
        for (int i = 1; i <= 4; ++i)
            appendQuestion(t, i, QStringLiteral("q%1").arg(i));
        // Renumbering walk: each row is lowered and posted, then next.
        QStringList visited;
        t->first();
        while (!t->eof()) {
            visited << t->fieldByName(QStringLiteral("Preguntas")).asString();
            const int e = t->fieldByName(QStringLiteral("Edicion")).value().toInt();
            t->edit();
            t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(e + 10));
            t->post();
            t->next();
        }
        QCOMPARE(visited, (QStringList { "q1", "q2", "q3", "q4" }));
        t->close();
        t->open();
        QCOMPARE(walk(t, QStringLiteral("Edicion")), (QStringList { "11", "12", "13", "14" }));
    }

    void insertBeforeCurrentSurvivesReopen()
    {
        vdb::Table* t = DataModule6->Table2;
        t->open();
        appendQuestion(t, 1, QStringLiteral("a"));
        appendQuestion(t, 1, QStringLiteral("c"));
        t->last();
        t->insert();
        t->fieldByName(QStringLiteral("Preguntas")).setAsString(QStringLiteral("b"));
        t->post();
        QCOMPARE(t->fieldByName(QStringLiteral("Preguntas")).asString(), QStringLiteral("b"));
        QCOMPARE(walk(t, QStringLiteral("Preguntas")), (QStringList { "a", "b", "c" }));
        t->close();
        t->open();
        QCOMPARE(walk(t, QStringLiteral("Preguntas")), (QStringList { "a", "b", "c" }));
    }

    void beginAndEndOfData()
    {
        vdb::Table* t = DataModule6->Table1;
        t->open();
        QVERIFY(t->bof() && t->eof());
        t->last();
        QVERIFY(t->bof() && t->eof()); // empty: both stay true
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("1"));
        t->post();
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("2"));
        t->post();
        t->first();
        QVERIFY(t->bof() && !t->eof());
        t->last();
        QVERIFY(!t->bof() && t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Edicion")).asString(), QStringLiteral("2"));
        t->first();
        t->next();
        QVERIFY(!t->eof());
        t->next(); // past the last row: end of data, still on it
        QVERIFY(t->eof());
        QCOMPARE(t->fieldByName(QStringLiteral("Edicion")).asString(), QStringLiteral("2"));
        t->prior();
        t->prior();
        QVERIFY(t->bof());
        QCOMPARE(t->fieldByName(QStringLiteral("Edicion")).asString(), QStringLiteral("1"));
    }

    void editOnEmptyStartsAnInsert()
    {
        vdb::Table* t = DataModule6->Table1;
        t->open();
        t->edit();
        QCOMPARE(t->state(), vdb::State::Insert);
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("7"));
        t->post();
        t->close();
        t->open();
        QCOMPARE(t->recordCount(), 1);
        QCOMPARE(t->fieldByName(QStringLiteral("num")).asString(), QStringLiteral("7"));
    }

    void deleteMakesTheNextRowCurrent_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("eof");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("middle") << 1 << 3 << "q3" << false << QStringList { "q1", "q3" };
        QTest::newRow("first") << 0 << 3 << "q2" << false << QStringList { "q2", "q3" };
        QTest::newRow("last") << 2 << 3 << "q2" << true << QStringList { "q1", "q2" };
        QTest::newRow("only row") << 0 << 1 << "" << true << QStringList {};
    }
    void deleteMakesTheNextRowCurrent()
    {
        QFETCH(int, position);
        QFETCH(int, rows);
        QFETCH(QString, current);
        QFETCH(bool, eof);
        QFETCH(QStringList, left);
        vdb::Table* t = DataModule6->Table2;
        t->open();
        for (int i = 1; i <= rows; ++i)
            appendQuestion(t, 1, QStringLiteral("q%1").arg(i));
        t->first();
        for (int i = 0; i < position; ++i)
            t->next();
        t->deleteRecord();
        QCOMPARE(t->fieldByName(QStringLiteral("Preguntas")).asString(), current);
        QCOMPARE(t->eof(), eof);
        QCOMPARE(t->recordCount(), rows - 1);
        t->close();
        t->open();
        QCOMPARE(walk(t, QStringLiteral("Preguntas")), left);
    }

    void closedAndEmptyDataSetMessages()
    {
        vdb::Table* t = DataModule6->Table1;
        const QString closed = QStringLiteral("Cannot perform this operation on a closed dataset");
        QCOMPARE(errorOf([&] { t->first(); }), closed);
        QCOMPARE(errorOf([&] { t->recordCount(); }), closed);
        QCOMPARE(errorOf([&] { t->isEmpty(); }), closed);
        QCOMPARE(errorOf([&] { t->fieldByName(QStringLiteral("Num")); }), closed);
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), closed);
        t->open();
        QCOMPARE(
            errorOf([&] { t->deleteRecord(); }), QStringLiteral("Cannot perform this operation on an empty dataset"));
        QCOMPARE(
            errorOf([&] { t->fieldByName(QStringLiteral("Nombre")); }), QStringLiteral("Field 'Nombre' not found"));
    }

    void fieldNamesIgnoreCase()
    {
        vdb::Table* t = DataModule6->Table3;
        t->open();
        QCOMPARE(t->fieldByName(QStringLiteral("edicion")).fieldName(), QStringLiteral("Edicion"));
        QCOMPARE(t->fieldByName(QStringLiteral("pregunta")).fieldName(), QStringLiteral("Pregunta"));
        QCOMPARE(t->fieldByName(QStringLiteral("ICONO")).fieldName(), QStringLiteral("Icono"));
        DataModule6->Table2->open();
        QCOMPARE(
            DataModule6->Table2->fieldByName(QStringLiteral("preguntas")).fieldName(), QStringLiteral("Preguntas"));
    }

    void smallIntFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("in range") << "-32768"
                                  << ""
                                  << "-32768";
        QTest::newRow("top") << "32767"
                             << ""
                             << "32767";
        QTest::newRow("too big")
            << "40000"
            << "40000 is not a valid value for field 'Suma_tiempo'. The allowed range is -32768 to 32767"
            << "5";
        QTest::newRow("too small")
            << "-40000"
            << "-40000 is not a valid value for field 'Suma_tiempo'. The allowed range is -32768 to 32767"
            << "5";
        QTest::newRow("beyond 32 bits") << "3000000000"
                                        << "'3000000000' is not a valid integer value for field 'Suma_tiempo'"
                                        << "5";
        QTest::newRow("word") << "doce"
                              << "'doce' is not a valid integer value for field 'Suma_tiempo'"
                              << "5";
        QTest::newRow("fraction") << "1.5"
                                  << "'1.5' is not a valid integer value for field 'Suma_tiempo'"
                                  << "5";
        QTest::newRow("empty is blank") << ""
                                        << ""
                                        << "";
    }
    void smallIntFromText()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        vdb::Table* t = DataModule6->Table3;
        t->open();
        t->append();
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QStringLiteral("5"));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
        t->post();

        t->edit();
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(text);
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("2"));
        QCOMPARE(errorOf([&] { t->post(); }), message);
        if (!message.isEmpty()) {
            // The row is not written and is still being edited.
            QCOMPARE(t->state(), vdb::State::Edit);
            t->cancel();
        }
        t->close();
        t->open();
        QCOMPARE(t->fieldByName(QStringLiteral("Suma_tiempo")).asString(), stored);
        QCOMPARE(t->fieldByName(QStringLiteral("Rep_icono")).asString(),
            message.isEmpty() ? QStringLiteral("2") : QStringLiteral("1"));
        QCOMPARE(t->fieldByName(QStringLiteral("Suma_tiempo")).value().isNull(), stored.isEmpty());
    }

    void textIsCutToTheFieldWidth()
    {
        vdb::Table* t = DataModule6->Table1;
        t->open();
        t->append();
        QString dir;
        for (int i = 0; i < 300; ++i)
            dir += QChar(u'a' + i % 26);
        t->fieldByName(QStringLiteral("Direccion")).setAsString(dir);
        t->post();
        t->close();
        t->open();
        QCOMPARE(t->fieldByName(QStringLiteral("Direccion")).asString(), dir.left(255));
        // An empty text leaves a text field blank: null as a general value.
        t->edit();
        t->fieldByName(QStringLiteral("Direccion")).setAsString(QString());
        t->post();
        t->close();
        t->open();
        QVERIFY(t->fieldByName(QStringLiteral("Direccion")).value().isNull());
        QCOMPARE(t->fieldByName(QStringLiteral("Direccion")).asString(), QString());
    }

    void pictureStoredForm()
    {
        const QByteArray bmp = bitmapOf1000Bytes();
        const QByteArray stored = vdb::encodeGraphicBytes(bmp);
        QCOMPARE(stored.size(), 1008);
        QCOMPARE(stored.left(8), QByteArray::fromHex("01000001e8030000"));

        QImage picture;
        QVERIFY(picture.loadFromData(bmp, "BMP"));
        vdb::Table* t = DataModule6->Table3;
        t->open();
        t->append();
        t->fieldByName(QStringLiteral("Grafico")).setImage(picture);
        t->post();
        t->append();
        t->fieldByName(QStringLiteral("Grafico")).setBlob(bmp); // a bare bitmap file image
        t->post();
        t->close();
        t->open();
        const QByteArray blob = t->fieldByName(QStringLiteral("Grafico")).asBlob();
        QCOMPARE(blob.left(4), QByteArray::fromHex("01000001"));
        QCOMPARE(qFromLittleEndian<quint32>(blob.constData() + 4), quint32(blob.size() - 8));
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asImage(),
            picture.convertToFormat(t->fieldByName(QStringLiteral("Grafico")).asImage().format()));
        t->next();
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asBlob(), bmp);
        const QImage bare = t->fieldByName(QStringLiteral("Grafico")).asImage();
        QCOMPARE(bare.size(), QSize(5, 59));
        QCOMPARE(bare.pixelColor(4, 0), picture.pixelColor(4, 0));
    }

    void picturesAreReadWhenAskedFor()
    {
        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (int i = 0; i < 3; ++i) {
            t->append();
            t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(i + 1));
            t->fieldByName(QStringLiteral("Grafico")).setBlob(vdb::encodeGraphicBytes(bitmapOf1000Bytes()));
            t->post();
        }
        t->close();
        t->open();
        for (t->first(); !t->eof(); t->next())
            QVERIFY(!t->fieldByName(QStringLiteral("Icono")).asString().isEmpty());
        // Another program changes the last picture after the walk: the row's
        // picture is read from the file when it is first asked for.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(m_data->tablePath(QStringLiteral("tesis.DB")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("UPDATE tesis SET Grafico = x'424d00' WHERE Icono = 3")));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asBlob(), QByteArray("BM\0", 3));
        t->first();
        QCOMPARE(t->fieldByName(QStringLiteral("Grafico")).asImage().size(), QSize(5, 59));
    }

    void declaredFieldsAreCheckedAtOpen_data()
    {
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "Edicion SMALLINT, Pregunta VARCHAR(75), Icono SMALLINT, Tiempo VARCHAR(12), "
                                    "Suma_tiempo SMALLINT, Rep_icono SMALLINT, Promedio SMALLINT"
                                 << "Field 'Grafico' not found";
        QTest::newRow("other kind") << "Edicion SMALLINT, Pregunta VARCHAR(75), Icono VARCHAR(4), Tiempo VARCHAR(12), "
                                       "Grafico BLOB, Suma_tiempo SMALLINT, Rep_icono SMALLINT, Promedio SMALLINT"
                                    << "Type mismatch for field 'Icono', expecting: SmallInt actual: String";
        QTest::newRow("wider text is fine")
            << "edicion SMALLINT, pregunta VARCHAR(200), icono SMALLINT, tiempo VARCHAR(5), "
               "grafico BLOB, suma_tiempo SMALLINT, rep_icono SMALLINT, promedio SMALLINT"
            << "";
    }
    void declaredFieldsAreCheckedAtOpen()
    {
        QFETCH(QString, columns);
        QFETCH(QString, message);
        const QString path = m_data->tablePath(QStringLiteral("tesis.DB"));
        QFile::remove(path);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE tesis (%1)").arg(columns)));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        const QByteArray before = fileBytes(path);
        QCOMPARE(errorOf([] { DataModule6->Table3->open(); }), message);
        QCOMPARE(DataModule6->Table3->active(), message.isEmpty());
        QCOMPARE(fileBytes(path), before);
    }

    void badTableFilesAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("garbage") << QByteArray("this is not a table at all, just some text\n").repeated(200) << true;
        QTest::newRow("sqlite header, garbage after")
            << (QByteArray("SQLite format 3") + '\0' + QByteArray(4080, '\x5a')) << true;
    }
    void badTableFilesAreLeftAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        const QString path = m_data->tablePath(QStringLiteral("preguntas.DB"));
        QFile::remove(path);
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QString message = errorOf([] { DataModule6->Table2->open(); });
        QVERIFY2(message.contains(QStringLiteral("preguntas.DB")), qPrintable(message));
        QVERIFY(!DataModule6->Table2->active());
        // The question list meets the same file and says so too.
        const QString queryMessage = errorOf([] { questionLines(QStringLiteral("1")); });
        if (exists)
            QVERIFY2(queryMessage.contains(QStringLiteral("preguntas.DB")), qPrintable(queryMessage));
        else
            QVERIFY(!queryMessage.isEmpty());
        QCOMPARE(QFileInfo::exists(path), exists);
        if (exists)
            QCOMPARE(fileBytes(path), content);
        // The other tables still work.
        DataModule6->Table1->open();
        QCOMPARE(DataModule6->Table1->recordCount(), 0);
    }

    void sqliteFileWithoutTheTable()
    {
        const QString path = m_data->tablePath(QStringLiteral("variables.DB"));
        QFile::remove(path);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE agenda (nombre TEXT)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO agenda VALUES ('Ana')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        const QByteArray before = fileBytes(path);
        const QString message = errorOf([] { DataModule6->Table1->open(); });
        QVERIFY2(message.contains(QStringLiteral("variables.DB")), qPrintable(message));
        QCOMPARE(fileBytes(path), before);
    }

    void readOnlyTableIsReadButNeverWritten()
    {
        const QString path = m_data->tablePath(QStringLiteral("variables.DB"));
        vdb::Table* t = DataModule6->Table1;
        t->open();
        t->append();
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("4"));
        t->post();
        t->close();
        vdb::Database::closeAll();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = fileBytes(path);
        t->open();
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("4"));
        const QString message = errorOf([&] { t->edit(); });
        QVERIFY2(message.contains(QStringLiteral("variables.DB")), qPrintable(message));
        QCOMPARE(errorOf([&] { t->deleteRecord(); }), message);
        QCOMPARE(t->recordCount(), 1);
        QCOMPARE(fileBytes(path), before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void replacedTableFileIsNotWrittenThroughTheOldOne()
    {
        const QString path = m_data->tablePath(QStringLiteral("variables.DB"));
        vdb::Table* t = DataModule6->Table1;
        t->open();
        t->append();
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("4"));
        t->post();
        // Restored from a copy while the table is open.
        const QString copy = m_data->path(QStringLiteral("copia.DB"));
        QVERIFY(QFile::copy(path, copy));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(copy, path));
        const QString message = errorOf([&] { t->edit(); });
        QVERIFY2(message.contains(QStringLiteral("variables.DB")), qPrintable(message));
        t->close();
        t->open();
        t->edit();
        t->fieldByName(QStringLiteral("Num")).setAsString(QStringLiteral("6"));
        t->post();
        t->close();
        t->open();
        QCOMPARE(t->fieldByName(QStringLiteral("Num")).asString(), QStringLiteral("6"));
    }

    void valuesTravelAsBoundParameters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("double quote") << "¿Qué es \"feliz\"?";
        QTest::newRow("apostrophe") << "l'été";
        QTest::newRow("backslash and percent") << "C:\\iconos\\100%";
        QTest::newRow("statement") << "x'; DROP TABLE tesis; --";
        QTest::newRow("wildcards") << "%_";
    }
    void valuesTravelAsBoundParameters()
    {
        QFETCH(QString, text);
        vdb::Table* t = DataModule6->Table3;
        t->open();
        for (const QString& p : { text, QStringLiteral("otra"), text + QLatin1Char('x'), QStringLiteral("%") }) {
            t->append();
            t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("1"));
            t->fieldByName(QStringLiteral("Pregunta")).setAsString(p);
            t->post();
        }
        vdb::Query* q = DataModule6->Query3;
        q->close();
        q->clearSql();
        q->addSql(QStringLiteral("SELECT * FROM tesis WHERE Edicion = ? AND Pregunta = ?"), { 1, text });
        q->open();
        QCOMPARE(q->recordCount(), 1);
        QCOMPARE(q->fieldByName(QStringLiteral("pregunta")).asString(), text);
        t->close();
        t->open();
        QCOMPARE(t->recordCount(), 4);
    }

private:
    std::unique_ptr<TestData> m_data;
};

QTEST_MAIN(TstDataSet)
#include "tst_dataset.moc"
