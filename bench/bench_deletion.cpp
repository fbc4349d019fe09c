// Deleting survey 1 of 50, from the survey list with its controls bound to
// the tables, commit included, at 30,000 and 100,000 result rows with real
// pictures; and the size of the results file at 30,000 rows.

#include "authoring/survey_deletion.h"
#include "authoring/survey_list.h"
#include "bench_support.h"
#include "shell/run_state.h"

using namespace bench;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    for (const int rows : { 30000, 100000 }) {
        testing_support::TestData filled;
        DataModule6 = new TDataModule6;
        fillStore(filled.path(QStringLiteral("iconos")), 50, rows);
        delete DataModule6;
        if (rows == 30000) {
            qint64 bytes = 0;
            for (const QFileInfo& file : QDir(filled.directory()).entryInfoList({ QStringLiteral("tesis*") }))
                bytes += file.size();
            const double mb = bytes / 1048576.0;
            figure("results file, 30,000 rows", mb, "MB", "< 5 MB", mb < 5);
        }
        std::vector<double> ms;
        for (int round = 0; round < 5; ++round) {
            testing_support::TestData fresh(false);
            copyTables(filled.directory(), fresh.directory());
            DataModule6 = new TDataModule6;
            DataModule6->Table3->open();
            DataModule6->Table1->open();
            EdicionActual = DataModule6->Table1->recordCount();
            auto* list = new TForm7;
            QElapsedTimer timer;
            timer.start();
            deleteSurvey(list->DBEdit1->text());
            ms.push_back(msSince(timer));
            if (DataModule6->Table3->recordCount() != rows - rows / 50 || DataModule6->Table1->recordCount() != 49)
                qFatal("the deletion left the wrong rows");
            delete list;
            delete DataModule6;
            DataModule6 = nullptr;
        }
        const double limit = rows == 30000 ? 150 : 500;
        figure(qPrintable(QStringLiteral("deletion of survey 1 of 50, %L1 rows").arg(rows)), median(ms), "ms",
            rows == 30000 ? "< 150 ms" : "< 500 ms", median(ms) < limit);
    }
    return 0;
}
