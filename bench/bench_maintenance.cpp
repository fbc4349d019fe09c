// Maintaining surveys at a realistic size: 50 surveys, 2,500 question rows and
// 30,000 result rows. Times deleting survey 1 (every later row renumbered,
// commit included) and changing one question's text.

#include "authoring/change_question_dialog.h"
#include "authoring/survey_deletion.h"
#include "authoring/survey_list.h"
#include "shell/run_state.h"
#include "store/data_module.h"
#include "tests/authoring/maintenance_fixture.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSurveys = 50;
constexpr int kQuestionsPerSurvey = 50;
constexpr int kIcons = 12; // 50 x 50 x 12 = 30,000 result rows
constexpr int kRounds = 5;

void seed(const testing_support::TestData& data)
{
    QStringList params, questions, results;
    for (int s = 1; s <= kSurveys; ++s) {
        params << QStringLiteral("%1|/iconos/%1").arg(s);
        for (int q = 1; q <= kQuestionsPerSurvey; ++q)
            questions << QStringLiteral("%1|Pregunta %2 de la encuesta %1").arg(s).arg(q);
    }
    // Surveys answered in turns, so each survey's result rows are spread out.
    for (int icon = 1; icon <= kIcons; ++icon)
        for (int s = 1; s <= kSurveys; ++s)
            for (int q = 1; q <= kQuestionsPerSurvey; ++q)
                results << QStringLiteral("%1|Pregunta %2 de la encuesta %1|%3").arg(s).arg(q).arg(icon);
    maintenance::writeParameters(data.tablePath("variables.DB"), params);
    maintenance::writeQuestions(data.tablePath("preguntas.DB"), questions);
    maintenance::writeResults(data.tablePath("tesis.DB"), results);
}

struct Figures
{
    std::vector<double> ms;
    void print(const char* what, const char* budget)
    {
        std::sort(ms.begin(), ms.end());
        std::printf("%-58s min %7.1f ms  median %7.1f ms  max %7.1f ms  (budget %s)\n", what, ms.front(),
            ms[ms.size() / 2], ms.back(), budget);
    }
};

double elapsedMs(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// A fresh data directory holding the seeded tables, and a data module over it.
struct SeededStore
{
    testing_support::TestData data;
    SeededStore()
    {
        seed(data);
        DataModule6 = new TDataModule6;
    }
    ~SeededStore()
    {
        delete DataModule6;
        DataModule6 = nullptr;
    }
    static void openAll()
    {
        DataModule6->Table1->open();
        DataModule6->Table2->open();
        DataModule6->Table3->open();
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Figures deletion, deletionBare, change, changeOpen;

    for (int round = 0; round < kRounds; ++round) {
        // Deleting survey 1 from the survey list, its bound controls in place.
        {
            SeededStore store;
            DataModule6->Table3->open();
            DataModule6->Table1->open();
            EdicionActual = DataModule6->Table1->recordCount();
            auto* list = new TForm7;
            QElapsedTimer timer;
            timer.start();
            deleteSurvey(list->DBEdit1->text());
            deletion.ms.push_back(elapsedMs(timer));
            if (DataModule6->Table3->recordCount() != 30000 - 600 || DataModule6->Table1->recordCount() != kSurveys - 1)
                qFatal("deletion left the wrong rows");
            delete list;
        }
        // The same with no window bound to the tables.
        {
            SeededStore store;
            SeededStore::openAll();
            DataModule6->Table1->first();
            QElapsedTimer timer;
            timer.start();
            deleteSurvey(QStringLiteral("1"));
            deletionBare.ms.push_back(elapsedMs(timer));
        }
        // "Aceptar" of the change-a-question dialog: opens the question and
        // results tables, changes the rows, commits and closes the tables.
        {
            SeededStore store;
            DataModule6->Table1->open();
            EdicionActual = DataModule6->Table1->recordCount();
            auto* dialog = new TForm8;
            dialog->ComboBox1->setCurrentIndex(6);
            dialog->Edit1->setText(QStringLiteral("Pregunta nueva"));
            QElapsedTimer timer;
            timer.start();
            dialog->BitBtn1Click();
            change.ms.push_back(elapsedMs(timer));
            // Again with both tables already open, the walk and commit alone.
            SeededStore::openAll();
            timer.restart();
            const QuestionChange changed = changeQuestionText("1", "Pregunta nueva", "Pregunta cambiada");
            changeOpen.ms.push_back(elapsedMs(timer));
            if (changed.questionRows != 1 || changed.resultRows != kIcons)
                qFatal("change touched %d question and %d result rows", changed.questionRows, changed.resultRows);
            delete dialog;
        }
    }

    std::printf("50 surveys, 2,500 question rows, 30,000 result rows; %d rounds\n", kRounds);
    deletion.print("delete survey 1 (survey list open, commit included)", "< 500 ms");
    deletionBare.print("delete survey 1 (no window bound)", "< 500 ms");
    change.print("change a question: \"Aceptar\" (opens, walks, commits)", "< 200 ms");
    changeOpen.print("change a question: tables already open", "< 200 ms");
    return 0;
}
