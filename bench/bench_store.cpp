// The results table at a size far beyond any real survey: 100,000 rows, each
// with a 2 KB picture. Prints open + walk time, record count time, the time of
// one post with its commit, and the process memory.

#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kRows = 100000;

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void fill(const QString& path)
{
    // A 26 x 26 24-bit picture is a bitmap file of about 2 KB.
    QImage picture(26, 26, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QByteArray stored = vdb::encodeGraphic(picture);
    std::printf("picture blob: %lld bytes\n", static_cast<long long>(stored.size()));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.prepare(QStringLiteral("INSERT INTO tesis VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < kRows; ++i) {
            q.addBindValue(1 + i / 1000);
            q.addBindValue(QStringLiteral("Pregunta número %1 de la encuesta").arg(i % 50));
            q.addBindValue(1 + i % 12);
            q.addBindValue(QStringLiteral("0:0:%1:%2").arg(i % 60).arg(i % 1000));
            q.addBindValue(stored);
            q.addBindValue(i % 300);
            q.addBindValue(1 + i % 7);
            q.addBindValue((i % 300) / (1 + i % 7));
            q.exec();
        }
        q.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// Processor time of this thread: less disturbed than the wall clock by other
// work on the machine.
double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing_support::TestData data;
    DataModule6 = new TDataModule6;
    const QString path = data.tablePath(QStringLiteral("tesis.DB"));
    QElapsedTimer timer;
    timer.start();
    fill(path);
    std::printf("filled %d rows in %lld ms (%lld MB on disk)\n", kRows, static_cast<long long>(timer.elapsed()),
        static_cast<long long>(QFileInfo(path).size() >> 20));
    const long rssBefore = rssKiB();

    vdb::Table* t = DataModule6->Table3;
    std::vector<double> walks;
    std::vector<double> walkCpu;
    std::vector<double> opens;
    long rssAfter = 0;
    for (int round = 0; round < 5; ++round) {
        t->close();
        const double cpuStart = threadCpuMs();
        timer.restart();
        t->open();
        opens.push_back(timer.nsecsElapsed() / 1e6);
        int seen = 0;
        for (t->first(); !t->eof(); t->next()) {
            // What the accumulation of an answer reads from each row.
            seen += t->fieldByName(QStringLiteral("Edicion")).asString().size()
                + t->fieldByName(QStringLiteral("Pregunta")).asString().size()
                + t->fieldByName(QStringLiteral("Icono")).asString().size();
        }
        walks.push_back(timer.nsecsElapsed() / 1e6);
        walkCpu.push_back(threadCpuMs() - cpuStart);
        rssAfter = std::max(rssAfter, rssKiB());
        if (seen == 0)
            std::printf("nothing read\n");
    }

    timer.restart();
    int count = 0;
    for (int i = 0; i < 1000; ++i)
        count += t->recordCount();
    const double countUs = timer.nsecsElapsed() / 1e3 / 1000;

    std::vector<double> edits;
    std::vector<double> appends;
    for (int i = 0; i < 30; ++i) {
        t->first();
        for (int k = 0; k < i * 97; ++k)
            t->next();
        timer.restart();
        t->edit();
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QString::number(i + 1));
        t->post();
        edits.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        t->append();
        t->fieldByName(QStringLiteral("Edicion")).setAsString(QStringLiteral("101"));
        t->fieldByName(QStringLiteral("Pregunta")).setAsString(QStringLiteral("nueva"));
        t->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
        t->post();
        appends.push_back(timer.nsecsElapsed() / 1e6);
    }

    // Reading one picture fetches only that row's blob.
    t->first();
    timer.restart();
    t->next();
    const QImage picture = t->fieldByName(QStringLiteral("Grafico")).asImage();
    const double pictureMs = timer.nsecsElapsed() / 1e6;

    std::printf("open + walk first to end (%d rows): median %.1f ms, best %.1f ms (target < 150 ms)\n", count / 1000,
        median(walks), *std::min_element(walks.begin(), walks.end()));
    std::printf("  processor time of the same: median %.1f ms\n", median(walkCpu));
    std::printf("  of which open: median %.1f ms\n", median(opens));
    std::printf("record count: %.3f us\n", countUs);
    std::printf("post of an edited row incl. commit: median %.2f ms, worst %.2f ms (target < 5 ms)\n", median(edits),
        *std::max_element(edits.begin(), edits.end()));
    std::printf("post of an appended row incl. commit: median %.2f ms, worst %.2f ms\n", median(appends),
        *std::max_element(appends.begin(), appends.end()));
    std::printf("read one picture: %.2f ms (%dx%d)\n", pictureMs, picture.width(), picture.height());
    std::printf("RSS: %.1f MB before open, %.1f MB with the table open (target < 100 MB)\n", rssBefore / 1024.0,
        rssAfter / 1024.0);
    delete DataModule6;
    return 0;
}
