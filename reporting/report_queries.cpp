// "Siguente" of the report choice: fills the report's queries, finds the most
// appropriate icon for a question report and shows the preview.

#include "report_queries.h"

#include "report_choice.h"
#include "report_form.h"
#include "store/data_module.h"

#include <QComboBox>

ReportStatement editionStatement(const QString& edicion)
{
    return { QStringLiteral("SELECT * FROM tesis WHERE edicion = ? Order By rowid"), { edicion } };
}

ReportStatement questionStatement(const QString& edicion, const QString& pregunta)
{
    return { QStringLiteral("SELECT * FROM tesis WHERE edicion = ? And pregunta = ? Order By icono"),
        { edicion, pregunta } };
}

ReportStatement iconStatement(const QString& edicion, const QString& pregunta, qint32 repeticiones, qint32 promedio)
{
    return {
        QStringLiteral(
            "SELECT * FROM tesis WHERE  edicion = ? And pregunta = ? And Rep_icono= ? and Promedio=? Order By rowid"),
        { edicion, pregunta, repeticiones, promedio }
    };
}

qint32 wholeNumberOfText(const QString& text)
{
    bool ok = false;
    const qint32 value = text.toInt(&ok);
    if (!ok)
        throw vdb::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

MostAppropriate mostAppropriateIcon(const std::vector<IconTally>& rows)
{
    MostAppropriate best;
    best.repeticiones = wholeNumberOfText(rows.empty() ? QString() : rows.front().repIcono);
    best.promedio = wholeNumberOfText(rows.empty() ? QString() : rows.front().promedio);
    for (const IconTally& row : rows) {
        const qint32 count = wholeNumberOfText(row.repIcono);
        if (best.repeticiones < count) {
            best.repeticiones = count;
            best.promedio = wholeNumberOfText(row.promedio);
        }
        if (best.repeticiones == count) {
            const qint32 average = wholeNumberOfText(row.promedio);
            if (average < best.promedio)
                best.promedio = average;
        }
    }
    return best;
}

void reopenQuery(vdb::Query* query, const ReportStatement& statement)
{
    query->close();
    query->clearSql();
    query->addSql(statement.text, statement.values);
    query->open();
}

void openEditionRows(const QString& edicion)
{
    reopenQuery(DataModule6->Query2, editionStatement(edicion));
}

void openQuestionRows(const QString& edicion, const QString& pregunta)
{
    vdb::Query* rows = DataModule6->Query2;
    reopenQuery(rows, questionStatement(edicion, pregunta));
    rows->first();
    std::vector<IconTally> tallies;
    for (; !rows->eof() && !rows->isEmpty(); rows->next())
        tallies.push_back({ rows->fieldByName(QStringLiteral("Rep_icono")).asString(),
            rows->fieldByName(QStringLiteral("Promedio")).asString() });
    const MostAppropriate best = mostAppropriateIcon(tallies);
    reopenQuery(DataModule6->Query3, iconStatement(edicion, pregunta, best.repeticiones, best.promedio));
}

void TForm9::BitBtn1Click()
{
    const QString edicion = DBEdit1->text();
    vrep::Report* report = Form10->QuickRep1;
    if (itemIndex() == 0) {
        report->setTitle(kTituloEdicion);
        openEditionRows(edicion);
    } else {
        const QString pregunta = ComboBox1->currentText();
        report->setTitle(kTituloPregunta);
        openQuestionRows(edicion, pregunta);
    }
    hide();
    report->preview(parentWidget());
}
