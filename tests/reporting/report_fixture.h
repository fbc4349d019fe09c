#pragma once
// Surveys and answers written into real table files, the report holder and
// a way to read what a report preview shows.

#include "platform/report/preview.h"
#include "platform/ui/form.h"
#include "reporting/report_form.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QtTest>

namespace report_fixture {

inline void addSurvey(int edicion, const QStringList& questions, const QString& dir = QStringLiteral("C:\\iconos"))
{
    vdb::Table* t1 = DataModule6->Table1;
    vdb::Table* t2 = DataModule6->Table2;
    t1->open();
    t2->open();
    t1->append();
    t1->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
    t1->fieldByName(QStringLiteral("Num")).setAsString(QString::number(questions.size()));
    t1->fieldByName(QStringLiteral("Num_ico")).setAsString(QStringLiteral("4"));
    t1->fieldByName(QStringLiteral("Total_ico")).setAsString(QStringLiteral("12"));
    t1->fieldByName(QStringLiteral("Direccion")).setAsString(dir);
    t1->post();
    for (const QString& q : questions) {
        t2->append();
        t2->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
        t2->fieldByName(QStringLiteral("Preguntas")).setAsString(q);
        t2->post();
    }
}

inline QImage iconPicture(int icon)
{
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((icon * 29) % 360, 255, 255));
    return image;
}

// Records one answer as a respondent's click does: finds or creates the row
// of (edition, question, icon), adds one to its count and the seconds to its
// sum, and sets the truncated average.
inline void recordAnswer(int edicion, const QString& pregunta, int icon, int seconds)
{
    vdb::Table* t = DataModule6->Table3;
    t->open();
    bool found = false;
    for (t->first(); !t->eof() && !t->isEmpty(); t->next()) {
        if (t->fieldByName(QStringLiteral("Edicion")).asString() == QString::number(edicion)
            && t->fieldByName(QStringLiteral("Pregunta")).asString() == pregunta
            && t->fieldByName(QStringLiteral("Icono")).asString() == QString::number(icon)) {
            found = true;
            break;
        }
    }
    vdb::Transaction tx(kDatabaseName);
    if (found) {
        const int count = t->fieldByName(QStringLiteral("Rep_icono")).asString().toInt() + 1;
        const int sum = t->fieldByName(QStringLiteral("Suma_tiempo")).asString().toInt() + seconds;
        t->edit();
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(count));
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(sum));
        t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(sum / count));
    } else {
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
        t->fieldByName(QStringLiteral("Pregunta")).setAsString(pregunta);
        t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(icon));
        t->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("0:0:%1:0").arg(seconds));
        t->fieldByName(QStringLiteral("Grafico")).setImage(iconPicture(icon));
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(seconds));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
        t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(seconds));
    }
    t->post();
    tx.commit();
}

// Writes a row with the given totals directly, for tables of many answers.
inline void addResult(int edicion, const QString& pregunta, int icon, int count, int average)
{
    vdb::Table* t = DataModule6->Table3;
    t->open();
    t->append();
    t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
    t->fieldByName(QStringLiteral("Pregunta")).setAsString(pregunta);
    t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(icon));
    t->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("0:0:1:0"));
    t->fieldByName(QStringLiteral("Grafico")).setImage(iconPicture(icon));
    t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(count * average));
    t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(count));
    t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(average));
    t->post();
}

// What one preview showed.
struct Shown
{
    bool seen = false;
    int pages = 0;
    QStringList pageTexts; // as the preview's PDF gives them back
    std::vector<vrep::PreparedPage> prepared; // the pages as laid out

    int countOf(const QString& source) const
    {
        int n = 0;
        for (const auto& page : prepared)
            for (const auto& item : page.items)
                n += item.source == source;
        return n;
    }
    QStringList textsOf(const QString& source) const
    {
        QStringList out;
        for (const auto& page : prepared)
            for (const auto& item : page.items)
                if (item.source == source)
                    out << item.text;
        return out;
    }
    QString allText() const { return pageTexts.join(QLatin1Char('\n')); }
};

// Reads the next preview that opens and closes it as a user would.
inline void readNextPreview(Shown& shown)
{
    testing_support::whenModal([&shown](QWidget* modal) {
        auto* preview = qobject_cast<vrep::PreviewWindow*>(modal);
        if (!preview) {
            // Something else came up (an error box): close it so the test fails
            // instead of waiting.
            modal->close();
            return;
        }
        shown.seen = true;
        shown.pages = preview->pageCount();
        for (int p = 0; p < preview->pageCount(); ++p)
            shown.pageTexts << preview->document()->getAllText(p).text();
        if (preview->report())
            shown.prepared = preview->report()->pages;
        testing_support::findButton(preview, QStringLiteral("Cerrar"))->click();
    });
}

} // namespace report_fixture
