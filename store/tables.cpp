#include "tables.h"

#include "platform/db/database.h"

#include <QDir>
#include <QFileInfo>

using vdb::FieldDef;
using vdb::FieldType;

const TableDef& variablesTable()
{
    static const TableDef def { QStringLiteral("variables.DB"),
        { { QStringLiteral("Edicion"), FieldType::SmallInt, 0 }, { QStringLiteral("Num"), FieldType::SmallInt, 0 },
            { QStringLiteral("Num_ico"), FieldType::SmallInt, 0 },
            { QStringLiteral("Total_ico"), FieldType::SmallInt, 0 },
            { QStringLiteral("Direccion"), FieldType::String, 255 } },
        {} };
    return def;
}

const TableDef& preguntasTable()
{
    static const TableDef def { QStringLiteral("preguntas.DB"),
        { { QStringLiteral("Edicion"), FieldType::SmallInt, 0 },
            { QStringLiteral("Preguntas"), FieldType::String, 75 } },
        {} };
    return def;
}

const TableDef& tesisTable()
{
    static const TableDef def { QStringLiteral("tesis.DB"),
        { { QStringLiteral("Edicion"), FieldType::SmallInt, 0 }, { QStringLiteral("Pregunta"), FieldType::String, 75 },
            { QStringLiteral("Icono"), FieldType::SmallInt, 0 }, { QStringLiteral("Tiempo"), FieldType::String, 12 },
            { QStringLiteral("Grafico"), FieldType::Graphic, 0 },
            { QStringLiteral("Suma_tiempo"), FieldType::SmallInt, 0 },
            { QStringLiteral("Rep_icono"), FieldType::SmallInt, 0 },
            { QStringLiteral("Promedio"), FieldType::SmallInt, 0 } },
        // Edition and icon narrow an answer's row down to the few answered
        // questions; the question texts would double the index's size.
        { { QStringLiteral("Edicion"), FieldType::SmallInt, 0 },
            { QStringLiteral("Icono"), FieldType::SmallInt, 0 } } };
    return def;
}

const std::vector<TableDef>& allTables()
{
    static const std::vector<TableDef> all { variablesTable(), preguntasTable(), tesisTable() };
    return all;
}

const std::vector<FieldDef>& query2Fields()
{
    static const std::vector<FieldDef> fields { { QStringLiteral("Rep_icono"), FieldType::SmallInt, 0 },
        { QStringLiteral("Promedio"), FieldType::SmallInt, 0 }, { QStringLiteral("Edicion"), FieldType::SmallInt, 0 },
        { QStringLiteral("Pregunta"), FieldType::String, 75 }, { QStringLiteral("Icono"), FieldType::SmallInt, 0 },
        { QStringLiteral("Tiempo"), FieldType::String, 12 }, { QStringLiteral("Grafico"), FieldType::Graphic, 0 },
        { QStringLiteral("Suma_tiempo"), FieldType::SmallInt, 0 } };
    return fields;
}

QStringList createMissingTables(const QString& directory, QStringList* created)
{
    QStringList problems;
    if (!QDir().mkpath(directory))
        return { QStringLiteral("No se puede crear el directorio '%1'").arg(directory) };
    for (const TableDef& table : allTables()) {
        const QString path = QDir(directory).filePath(table.fileName);
        try {
            if (!QFileInfo::exists(path)) {
                vdb::createTableFile(path, table.fields, table.key);
                if (created)
                    *created << path;
                continue;
            }
            const auto actual = vdb::tableFileFields(path);
            for (const FieldDef& want : table.fields) {
                const FieldDef* have = nullptr;
                for (const FieldDef& field : actual)
                    if (field.name.compare(want.name, Qt::CaseInsensitive) == 0)
                        have = &field;
                if (!have)
                    throw vdb::Error(QStringLiteral("El archivo '%1' no es una tabla válida: falta el campo '%2'")
                                         .arg(QDir::toNativeSeparators(path), want.name));
                if (have->type != want.type)
                    throw vdb::Error(
                        QStringLiteral("El archivo '%1' no es una tabla válida: el campo '%2' es %3, no %4")
                            .arg(QDir::toNativeSeparators(path), want.name, vdb::fieldTypeName(have->type),
                                vdb::fieldTypeName(want.type)));
            }
        } catch (const vdb::Error& e) {
            problems << e.text();
        }
    }
    return problems;
}
