#pragma once
// Record layouts of the three table files.

#include "platform/db/dataset.h"

#include <vector>

struct TableDef
{
    QString fileName;
    std::vector<vdb::FieldDef> fields;
    std::vector<vdb::FieldDef> key; // indexed: fields that find an answer's row
};

const TableDef& variablesTable(); // variables.DB
const TableDef& preguntasTable(); // preguntas.DB
const TableDef& tesisTable(); // tesis.DB
const std::vector<TableDef>& allTables();
const std::vector<vdb::FieldDef>& query2Fields();

// Creates the table files missing from a directory and checks the ones that
// exist. Returns the problems found (empty when all is well); never changes
// an existing file.
QStringList createMissingTables(const QString& directory, QStringList* created = nullptr);
