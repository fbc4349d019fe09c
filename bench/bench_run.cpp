// Figures for taking a survey: icon window creation, recording one answer on a
// large results table, and memory over many runs.

#include "administration/answer_recording.h"
#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "authoring/survey_list.h"
#include "platform/db/dataset.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/administration/run_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace testing_support;
using namespace run_fixture;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void setRunState(const QString& icons, int numPreguntas, int numIconos, int totalIconos)
{
    EdicionActual = 1;
    NumPreguntas = numPreguntas;
    NumIconos = numIconos;
    TotalIconos = totalIconos;
    DirIconos = surveyDirectory(icons);
    QStringList questions;
    for (int q = 1; q <= numPreguntas; ++q)
        questions << QStringLiteral("Pregunta %1").arg(q);
    Memo1.replace(questions);
}

void iconWindowCreation(const QString& icons)
{
    writeIcons(icons, 12, 64);
    setRunState(icons, 10, 12, 12);
    SiguientePregunta = 2;
    std::vector<double> times;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto* window = new TForm5;
        window->show();
        times.push_back(timer.nsecsElapsed() / 1e6);
        delete window;
    }
    std::printf("icon window, 12 icons of 64x64, created and shown: median %.3f ms, max %.3f ms (300 runs)\n",
        median(times), *std::max_element(times.begin(), times.end()));
}

void recordingOnLargeTable(const QString& icons)
{
    vdb::Table* t3 = DataModule6->Table3;
    t3->open();
    const QImage picture(icons + QStringLiteral("/1.bmp"));
    {
        vdb::Transaction tx(kDatabaseName);
        for (int i = 0; i < 30000; ++i) {
            t3->append();
            t3->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(1 + i / 1200));
            t3->fieldByName(QStringLiteral("Pregunta")).setAsString(QStringLiteral("Pregunta %1").arg(i / 12 % 100));
            t3->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(1 + i % 12));
            t3->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("0:0:1:0"));
            t3->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
            t3->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QStringLiteral("1"));
            t3->fieldByName(QStringLiteral("Promedio")).setAsString(QStringLiteral("1"));
            t3->post();
        }
        tx.commit();
    }
    std::vector<double> found;
    std::vector<double> added;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        accumulateAnswer(t3, { 13, QStringLiteral("Pregunta 50"), 5 }, QStringLiteral("0:0:2:0"), picture, 2);
        found.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        accumulateAnswer(t3, { 30 + i, QStringLiteral("Nueva"), 1 }, QStringLiteral("0:0:2:0"), picture, 2);
        added.push_back(timer.nsecsElapsed() / 1e6);
    }
    // The part of it that is the walk over every row, without any write.
    std::vector<double> walks;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        const vdb::Field edicion = t3->fieldByName(QStringLiteral("edicion"));
        int matches = 0;
        for (t3->first(); !t3->eof(); t3->next())
            matches += edicion.asString() == QLatin1String("13");
        walks.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("walk over every result row (signals on): median %.3f ms\n", median(walks));
    std::printf("one answer on %d result rows, commit included: existing row median %.3f ms, new row median %.3f ms\n",
        t3->recordCount(), median(found), median(added));
    t3->close();
}

// One run through the survey list's hand-over, answering every question.
void oneRun(int numPreguntas, bool keepList = false)
{
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    QPointer<TForm7> list = new TForm7;
    list->BitBtn1->show();
    list->BitBtn1->click();
    for (int q = 1; q <= numPreguntas; ++q) {
        shownWindow<TForm4>()->BitBtn1->click();
        TForm5* icons = shownWindow<TForm5>();
        if (q == numPreguntas)
            whenModal([](QWidget* box) { findButton(box, QStringLiteral("OK"))->click(); });
        icons->speedButton(1 + q % 6)->click();
        releaseHidden();
    }
    if (!keepList)
        delete list.data(); // already gone when the run released it
    releaseHidden();
}

void memoryOverRuns(const QString& icons)
{
    QStringList questions;
    for (int q = 1; q <= 10; ++q)
        questions << QStringLiteral("Pregunta %1").arg(q);
    addSurvey(1, questions, 6, 12, surveyDirectory(icons));
    oneRun(10);
    const long first = residentKb();
    QElapsedTimer timer;
    timer.start();
    for (int run = 2; run <= 500; ++run)
        oneRun(10);
    const long last = residentKb();
    std::printf("memory: %ld kB after run 1, %ld kB after run 500 (%+ld kB); %.1f ms per run\n", first, last,
        last - first, timer.elapsed() / 499.0);
    // As the main window does it: the survey list is not deleted by its opener.
    for (int run = 1; run <= 500; ++run)
        oneRun(10, true);
    std::printf(
        "memory: %+ld kB more after 500 further runs whose survey lists the opener keeps\n", residentKb() - last);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestData data;
    DataModule6 = new TDataModule6;
    const QString icons = data.path(QStringLiteral("iconos"));
    iconWindowCreation(icons);
    recordingOnLargeTable(icons);
    {
        TestData fresh;
        delete DataModule6;
        DataModule6 = new TDataModule6;
        writeIcons(icons, 12, 64);
        memoryOverRuns(icons);
    }
    delete DataModule6;
    return 0;
}
