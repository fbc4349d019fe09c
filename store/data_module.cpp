#include "data_module.h"

#include "platform/db/database.h"
#include "store/tables.h"

#include <QStandardPaths>

TDataModule6* DataModule6 = nullptr;

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vesmarin");
}

TDataModule6::TDataModule6(QObject* owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("DataModule6"));
    vdb::setDatabaseDirectory(kDatabaseName, dataDirectory());

    auto makeTable = [this](const char* name, const TableDef& def) {
        auto* t = new vdb::Table(this);
        t->setObjectName(QLatin1String(name));
        t->setDatabaseName(kDatabaseName);
        t->setTableName(def.fileName);
        t->setDeclaredFields(def.fields);
        return t;
    };
    auto makeQuery = [this](const char* name, const std::vector<vdb::FieldDef>& fields) {
        auto* q = new vdb::Query(this);
        q->setObjectName(QLatin1String(name));
        q->setDatabaseName(kDatabaseName);
        q->addSql(QStringLiteral("select * from %1").arg(name == QLatin1String("Query1") ? "preguntas" : "tesis"));
        q->setDeclaredFields(fields);
        return q;
    };
    Table1 = makeTable("Table1", variablesTable());
    Table2 = makeTable("Table2", preguntasTable());
    Table3 = makeTable("Table3", tesisTable());
    Query1 = makeQuery("Query1", {});
    Query2 = makeQuery("Query2", query2Fields());
    Query3 = makeQuery("Query3", {});

    auto makeSource = [this](const char* name, vdb::DataSet* ds) {
        auto* s = new vdb::DataSource(ds, this);
        s->setObjectName(QLatin1String(name));
        return s;
    };
    DataSource1 = makeSource("DataSource1", Query1);
    DataSource2 = makeSource("DataSource2", Table1);
    DataSource3 = makeSource("DataSource3", Table2);
    DataSource4 = makeSource("DataSource4", Table3);
    DataSource5 = makeSource("DataSource5", Query2);
    DataSource6 = makeSource("DataSource6", Query3);
}

QStringList questionLines(const QString& edicionText)
{
    vdb::Query* q = DataModule6->Query1;
    q->close();
    q->clearSql();
    // In stored order whatever indexes the file has: line k - 1 is question k.
    q->addSql(QStringLiteral("SELECT * FROM preguntas WHERE edicion= ? Order By rowid"), { edicionText });
    q->open();
    QStringList lines;
    q->first();
    while (!q->eof()) {
        const QString text = q->fieldByName(QStringLiteral("Preguntas")).asString();
        lines << (text.isEmpty() ? QStringLiteral(" ") : text);
        q->next();
    }
    return lines;
}
