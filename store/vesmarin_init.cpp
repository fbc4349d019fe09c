// Prepares the data directory: creates the table files that are missing and
// reports any existing file that is not one of the program's tables.

#include "store/data_module.h"
#include "store/tables.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList created;
    const QStringList problems = createMissingTables(dataDirectory(), &created);
    for (const QString& path : created)
        out << "Creada la tabla " << path << "\n";
    for (const QString& problem : problems)
        err << problem << "\n";
    if (created.isEmpty() && problems.isEmpty())
        out << "Las tablas de " << dataDirectory() << " ya existen\n";
    return problems.isEmpty() ? 0 : 1;
}
