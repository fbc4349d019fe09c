// Report timings: an edition report of 10,000 result rows, a question report
// with 12 icons and both charts, and opening the preview on it.

#include "platform/report/preview.h"
#include "platform/ui/form.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "reporting/report_queries.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void fillResults(int rows, int questions, int edicion = 1)
{
    vdb::Table* t = DataModule6->Table3;
    t->open();
    vdb::Transaction tx(kDatabaseName);
    for (int i = 0; i < rows; ++i) {
        const int icon = i % 12 + 1;
        QImage picture(32, 32, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(icon * 30 % 360, 255, 255));
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(edicion));
        t->fieldByName(QStringLiteral("Pregunta"))
            .setAsString(QStringLiteral("Pregunta número %1").arg(i / 12 % questions + 1));
        t->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(icon));
        t->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("0:0:3:120"));
        t->fieldByName(QStringLiteral("Grafico")).setImage(picture);
        t->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(icon * 7));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(icon + i % 5));
        t->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(icon % 6 + 1));
        t->post();
    }
    tx.commit();
}

struct Figures
{
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    void print(const char* what, double limit) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-58s median %8.1f ms  min %8.1f ms  max %8.1f ms  (budget %.0f ms, %zu runs)\n", what,
            sorted[sorted.size() / 2], sorted.front(), sorted.back(), limit, sorted.size());
    }
};

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    vui::installFontSubstitutions();
    testing_support::TestData data;
    DataModule6 = new TDataModule6;
    Form10 = new TForm10(nullptr, false);

    // --- Edition report over 10,000 rows -----------------------------------
    QElapsedTimer fill;
    fill.start();
    fillResults(10000, 40);
    fillResults(12, 1, 2); // one question of edition 2, answered with 12 icons
    std::printf("filling 10,000 result rows: %.0f ms\n", elapsedMs(fill));

    vrep::Report* report = Form10->QuickRep1;
    report->setTitle(kTituloEdicion);
    Form10->setQuestionReport(false);
    // The choice windows of earlier reports stay alive, hidden, their hidden
    // field boxes bound to the report query.
    std::vector<std::unique_ptr<TForm9>> choices;
    for (int i = 0; i < 3; ++i)
        choices.push_back(std::make_unique<TForm9>());
    Figures edition, editionQuery;
    int pages = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        openEditionRows(QStringLiteral("1"));
        editionQuery.add(elapsedMs(t));
        t.restart();
        const vrep::PreparedReport out = report->prepare();
        edition.add(elapsedMs(t));
        pages = out.pageCount();
    }
    editionQuery.print("edition report: opening Query2 (10,000 rows)", 2000);
    edition.print(qPrintable(QStringLiteral("edition report: preparing all %1 pages").arg(pages)), 2000);
    {
        const vrep::PreparedReport out = report->prepare();
        QElapsedTimer w;
        w.start();
        out.writePdf(data.path(QStringLiteral("edicion.pdf")));
        std::printf("edition report: writing all %d pages to a PDF file: %.0f ms (for information)\n", out.pageCount(),
            elapsedMs(w));
    }

    // --- Question report with 12 icons and both charts -----------------------
    report->setTitle(kTituloPregunta);
    Form10->setQuestionReport(true);
    const QString question = QStringLiteral("Pregunta número 1");
    Figures questionRun, questionPaint;
    QImage page(816 * 2, 1056 * 2, QImage::Format_RGB32);
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer t;
        t.start();
        openQuestionRows(QStringLiteral("2"), question);
        const vrep::PreparedReport out = report->prepare();
        // The charts are drawn when the page is: draw every page once, as the preview does.
        for (int p = 0; p < out.pageCount(); ++p) {
            QPainter painter(&page);
            painter.scale(2, 2);
            out.paintPage(painter, p);
        }
        questionRun.add(elapsedMs(t));
        if (run == 0)
            std::printf(
                "question report: %d detail rows, %d page(s)\n", DataModule6->Query2->recordCount(), out.pageCount());
    }
    questionRun.print("question report: queries + prepare + draw, 12 icons, 2 charts", 300);

    // --- Opening the preview on it -------------------------------------------
    Figures previewOpen;
    QElapsedTimer t;
    QObject::connect(report, &vrep::Report::previewOpened, [&](QWidget* window) {
        QTimer::singleShot(0, window, [&, window] {
            window->grab(); // the first page drawn on the screen
            previewOpen.add(elapsedMs(t));
            window->close();
        });
    });
    for (int run = 0; run < 10; ++run) {
        t.start();
        report->preview();
    }
    previewOpen.print("preview: prepare, open and show the question report", 500);

    choices.clear();
    delete Form10;
    delete DataModule6;
    return 0;
}
