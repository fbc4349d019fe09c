#pragma once
// The statements behind a report and the choice of the most appropriate icon:
// the icon chosen most often, and among those the one answered fastest.

#include <QString>
#include <QVariantList>

#include <vector>

// A statement with its values, which travel as bound parameters so that any
// question text, quotes included, is compared as it stands.
struct ReportStatement
{
    QString text;
    QVariantList values;
};

ReportStatement editionStatement(const QString& edicion);
ReportStatement questionStatement(const QString& edicion, const QString& pregunta);
ReportStatement iconStatement(const QString& edicion, const QString& pregunta, qint32 repeticiones, qint32 promedio);

// A field's text as a whole number; a text that is none fails with
// "'<text>' is not a valid integer value".
qint32 wholeNumberOfText(const QString& text);

// One result row's count and average, as the fields give them as text.
struct IconTally
{
    QString repIcono;
    QString promedio;
};

struct MostAppropriate
{
    qint32 repeticiones = 0; // R: the highest count
    qint32 promedio = 0; // P: the lowest average among the rows with that count
};

// Scans the rows in order, starting from the first row's values; with no
// rows it fails as the conversion of an empty text does.
MostAppropriate mostAppropriateIcon(const std::vector<IconTally>& rows);

namespace vdb {
class Query;
}

// Closes the query, gives it the statement and opens it again.
void reopenQuery(vdb::Query* query, const ReportStatement& statement);
// The report's rows (Query2) of one edition.
void openEditionRows(const QString& edicion);
// The rows of one question of an edition (Query2) and the row of its most
// appropriate icon (Query3).
void openQuestionRows(const QString& edicion, const QString& pregunta);

// The report titles.
inline const QString kTituloEdicion = QStringLiteral("Reporte por Edición");
inline const QString kTituloPregunta = QStringLiteral("Reporte por Pregunta");
