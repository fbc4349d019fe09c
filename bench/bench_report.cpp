// The edition report as the author waits for it, at 10,000 and 100,000 result
// rows of one survey: the query, the layout of the pages, and "Siguente"
// released to the preview's first page painted; then browsing (ten pages on,
// the last page and back) and the process's peak memory. Each size runs in a
// process of its own, so that the peak is that size's alone.

#include "bench_support.h"
#include "platform/db/database.h"
#include "platform/report/preview.h"
#include "platform/ui/fonts.h"
#include "platform/ui/form.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "reporting/report_queries.h"

#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace bench;

namespace {

bool isPreview(QWidget* w)
{
    return qobject_cast<vrep::PreviewWindow*>(w) != nullptr;
}

// Shows another page and waits for it on the screen.
double pageShown(PaintClock& clock, const std::function<void()>& move)
{
    clock.start(isPreview);
    move();
    return clock.wait();
}

int measure(const QString& directory, int rows)
{
    vdb::setDatabaseDirectory(kDatabaseName, directory);
    DataModule6 = new TDataModule6;
    Form10 = new TForm10(nullptr, false);
    vrep::Report* report = Form10->QuickRep1;
    std::vector<double> query, pages;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        openEditionRows(QStringLiteral("1"));
        query.push_back(msSince(timer));
        Form10->setQuestionReport(false);
        timer.restart();
        const vrep::PreparedReport out = report->prepare();
        pages.push_back(msSince(timer));
    }

    // The real road: the report choice window, "por Edición", "Siguente".
    auto* choice = new TForm9;
    choice->show();
    if (!QTest::qWaitForWindowExposed(choice, 5000))
        qFatal("report choice not shown");
    choice->RadioGroup1Item0->click();
    PaintClock clock;
    double first = -1, last = -1;
    std::vector<double> next;
    int pageCount = 0;
    QObject::connect(report, &vrep::Report::previewOpened, [&](QWidget* window) {
        auto* preview = static_cast<vrep::PreviewWindow*>(window);
        QTimer::singleShot(0, preview, [&, preview] {
            first = clock.wait();
            pageCount = preview->pageCount();
            for (int i = 0; i < 10; ++i)
                next.push_back(pageShown(clock, [preview] { preview->nextPage(); }));
            last = pageShown(clock, [preview] { preview->lastPage(); });
            pageShown(clock, [preview] { preview->firstPage(); });
            preview->accept();
        });
    });
    QTest::mousePress(choice->BitBtn1, Qt::LeftButton);
    clock.start(isPreview);
    QTest::mouseRelease(choice->BitBtn1, Qt::LeftButton); // returns when the preview is closed
    const double peak = statusKb("VmHWM") / 1024.0;

    const QString size = QStringLiteral("%L1 rows").arg(rows);
    auto name = [&size](const char* what) { return QStringLiteral("edition report, %1: %2").arg(size, what).toUtf8(); };
    figure(name("query").constData(), median(query), "ms", "-", true);
    figure(name(qPrintable(QStringLiteral("placing %L1 pages").arg(pageCount))).constData(), median(pages), "ms", "-",
        true);
    if (rows >= 100000)
        figure(name("first page on screen").constData(), first, "ms", "< 150 ms", first < 150);
    else
        figure(name("first page on screen").constData(), first, "ms", "-", true);
    figure(name("next page on screen").constData(), median(next), "ms", "-", true);
    figure(name("last page on screen").constData(), last, "ms", "-", true);
    figure(name("peak memory (VmHWM)").constData(), peak, "MB", rows >= 100000 ? "< 200 MB" : "< 100 MB",
        peak < (rows >= 100000 ? 200 : 100));
    delete choice;
    delete Form10;
    delete DataModule6;
    vdb::Database::closeAll();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    vui::installFontSubstitutions();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--measure"))
        return measure(args[2], args[3].toInt());
    for (const int rows : { 10000, 100000 }) {
        testing_support::TestData data;
        DataModule6 = new TDataModule6;
        fillStore(data.path(QStringLiteral("iconos")), 1, rows);
        delete DataModule6;
        DataModule6 = nullptr;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--measure"), data.directory(), QString::number(rows) });
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            std::fprintf(stderr, "the report at %d rows did not finish: %s (exit %d)\n", rows,
                qPrintable(child.errorString()), child.exitCode());
    }
    return 0;
}
