#pragma once
// The data module: the three tables, the three queries and their data sources,
// through which every window reaches the survey data.

#include "platform/db/data_source.h"
#include "platform/db/dataset.h"

#include <QObject>
#include <QStringList>

// The database name every dataset carries; it maps onto the data directory.
inline const QString kDatabaseName = QStringLiteral("C:\\Windows");

// $XDG_DATA_HOME/vesmarin (~/.local/share/vesmarin by default).
QString dataDirectory();

class TDataModule6 : public QObject
{
    Q_OBJECT
public:
    explicit TDataModule6(QObject* owner = nullptr);

    vdb::Table* Table1; // variables.DB: one parameter row per survey
    vdb::Table* Table2; // preguntas.DB: question rows in question order
    vdb::Table* Table3; // tesis.DB: accumulated results
    vdb::Query* Query1; // the questions of one edition
    vdb::Query* Query2; // the report's result rows
    vdb::Query* Query3; // the most appropriate icon's row
    vdb::DataSource* DataSource1;
    vdb::DataSource* DataSource2;
    vdb::DataSource* DataSource3;
    vdb::DataSource* DataSource4;
    vdb::DataSource* DataSource5;
    vdb::DataSource* DataSource6;
};

extern TDataModule6* DataModule6;

// Fills a list with the questions of one edition, in question order; a blank
// question becomes a line of one blank. Leaves Query1 open on the result.
QStringList questionLines(const QString& edicionText);
