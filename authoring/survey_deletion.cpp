#include "survey_deletion.h"

#include "administration/survey_run.h"
#include "authoring/survey_list.h"
#include "platform/db/database.h"
#include "platform/ui/messages.h"
#include "store/data_module.h"

#include <QDir>
#include <QSqlQuery>

namespace {

const QString kEdicion = QStringLiteral("Edicion");

// Puts the table on the first row whose edition reads `edition`, starting with
// the row it stands on. Returns false when there is none.
bool standOn(vdb::DataSet& table, const QString& edition)
{
    if (!table.isEmpty() && table.fieldByName(kEdicion).asString() == edition)
        return true;
    table.first();
    while (!table.eof()) {
        if (table.fieldByName(kEdicion).asString() == edition)
            return true;
        table.next();
    }
    return false;
}

// One pass over a whole table in the engine: the rows of the deleted survey
// go when `dropping`, and every row of a later survey moves down one. Each row
// is examined once whatever the order of the rows; a blank edition matches
// neither condition, so such rows stay as they are. Row order is untouched.
void renumber(vdb::Table& table, int number, bool dropping)
{
    vdb::Database& db = vdb::Database::forName(table.databaseName());
    const QString schema = vdb::schemaOf(table.tableName());
    const QString name = QStringLiteral("\"%1\".\"%1\"").arg(schema);
    const QString what = QDir::toNativeSeparators(db.filePath(table.tableName()));
    if (dropping) {
        QSqlQuery drop = db.prepare(QStringLiteral("DELETE FROM %1 WHERE Edicion = ?").arg(name));
        drop.addBindValue(number);
        db.exec(drop, what);
    }
    QSqlQuery lower = db.prepare(QStringLiteral("UPDATE %1 SET Edicion = Edicion - 1 WHERE Edicion > ?").arg(name));
    lower.addBindValue(number);
    db.exec(lower, what);
}

// Pictures that only rows of the deleted survey referred to go with them
// (files that keep their pictures in the rows have nothing to drop).
void dropUnusedPictures(vdb::Table& table)
{
    vdb::Database& db = vdb::Database::forName(table.databaseName());
    const QString schema = vdb::schemaOf(table.tableName());
    const QString pictures = vdb::pictureTableOf(schema);
    QSqlQuery exists = db.prepare(
        QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_master WHERE type = 'table' AND name = ?").arg(schema));
    exists.addBindValue(pictures);
    db.exec(exists, {});
    const bool kept = exists.next() && exists.value(0).toInt() > 0;
    exists.finish();
    if (!kept)
        return;
    db.execSql(QStringLiteral("DELETE FROM \"%1\".\"%2\" WHERE rowid NOT IN "
                              "(SELECT Grafico FROM \"%1\".\"%1\" WHERE typeof(Grafico) = 'integer')")
                   .arg(schema, pictures),
        QDir::toNativeSeparators(db.filePath(table.tableName())));
}

} // namespace

void deleteSurvey(const QString& edition)
{
    bool isNumber = false;
    const int number = edition.toInt(&isNumber);
    if (!isNumber || edition.trimmed() != edition)
        throw vdb::Error(QStringLiteral("'%1' is not a valid integer value").arg(edition));

    TDataModule6& dm = *DataModule6;
    // Every file is reached before the transaction starts: none can be
    // attached while it runs, and a missing one stops us before any change.
    dm.Table1->open();
    dm.Table2->open();
    dm.Table3->open();
    for (const vdb::Table* table : { dm.Table1, dm.Table2, dm.Table3 }) {
        const QString path = vdb::Database::forName(table->databaseName()).filePath(table->tableName());
        if (!vdb::fileWritable(path))
            throw vdb::Error(QStringLiteral("No se pudo borrar la Encuesta %1; las tablas quedan como estaban.\n"
                                            "El archivo de tabla '%2' es de solo lectura")
                                 .arg(edition, QDir::toNativeSeparators(path)));
    }
    if (!standOn(*dm.Table1, edition))
        throw vdb::Error(QStringLiteral("No existe la Encuesta %1").arg(edition));

    const qint64 parameterRow = dm.Table1->rowid();
    try {
        vdb::Transaction transaction(kDatabaseName);
        // The row shown may have been renumbered or deleted by another copy of
        // the program since it was read: only the file under the lock counts.
        vdb::Database& db = vdb::Database::forName(kDatabaseName);
        QSqlQuery shown = db.prepare(QStringLiteral("SELECT Edicion FROM variables.variables WHERE rowid = ?"));
        shown.addBindValue(parameterRow);
        db.exec(shown, {});
        const bool same = shown.next() && shown.value(0).toString() == edition;
        shown.finish();
        if (!same)
            throw vdb::Error(QStringLiteral("La Encuesta %1 ha sido cambiada por otro programa").arg(edition));
        QSqlQuery drop = db.prepare(QStringLiteral("DELETE FROM variables.variables WHERE rowid = ?"));
        drop.addBindValue(parameterRow);
        db.exec(drop, {});
        renumber(*dm.Table1, number, false);
        renumber(*dm.Table2, number, true);
        renumber(*dm.Table3, number, true);
        dropUnusedPictures(*dm.Table3);
        transaction.commit();
    } catch (const vdb::Error& error) {
        // The rollback has already brought the open datasets back.
        throw vdb::Error(QStringLiteral("No se pudo borrar la Encuesta %1; las tablas quedan como estaban.\n%2")
                             .arg(edition, error.text()));
    }
    surveyRowDeleted(parameterRow);
    // The rows changed in the files at once: the datasets read them again.
    dm.Table1->reload();
    dm.Table2->reload();
    dm.Table3->reload();
}

void TForm7::BitBtn3Click()
{
    if (!vui::askYesNo(this, QStringLiteral("¿Esta seguro que desea borrar esta Encuesta?"))) {
        setModalResult(vui::mrCancel);
        return;
    }
    deleteSurvey(DBEdit1->text());
}
