#pragma once
// One run of a survey: what the hand-over gave it, kept apart from the shared
// run state so that commands used meanwhile from the main window cannot make
// the run write under another edition or with other questions.

#include <QCloseEvent>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class TForm4;
class TForm5;

class SurveyRun
{
public:
    // A snapshot of the run state as it stands now.
    static std::shared_ptr<SurveyRun> fromRunState();
    SurveyRun();
    ~SurveyRun();

    int edicion = 0;
    int numPreguntas = 0;
    int numIconos = 0;
    int totalIconos = 0;
    QString dirIconos;
    QStringList questions;
    int siguiente = 1; // this run's own SiguientePregunta
    // Where the survey's parameter row stands in its file: a renumbering
    // leaves it there, so the run can follow its survey to a new number.
    qint64 parameterRow = -1;

    // The window that owns the chain's windows: the opener of the first one.
    QPointer<QWidget> anchor;
    // The anchor has no use of its own once its run is over (a survey list
    // hidden since its hand-over): it goes with the run.
    bool releaseAnchorAtEnd = false;
    // The notice and the icon window done with, hidden: the next question's
    // windows are these made again, which shows them sooner than new ones.
    QPointer<TForm4> spareNotice;
    QPointer<TForm5> spareIconWindow;

    QString question(int q) const { return q >= 1 && q <= questions.size() ? questions.at(q - 1) : QString(); }
    QString iconFileName(int icon) const;

    // SiguientePregunta + 1, in the run and in the shared run state.
    void advance();
    // Marks the run under way (RunUnderWay) until finish().
    void start();
    void finish();
    // The run is over: finish(), and let the windows kept for the next
    // question, and a hidden anchor when it should, go.
    void end();

    // The edition the run's survey has now, looked up in the files (call it
    // inside the transaction that writes the answer); 0 once the survey was
    // deleted or changed: its parameter row gone or holding other values, or
    // another number of questions.
    int currentEdition() const;

private:
    bool m_underWay = false;
    // The question rows of an edition, counted while the file's rows were
    // as the version tells.
    mutable int m_countedEdition = 0;
    mutable int m_countedQuestions = -1;
    mutable QString m_countedVersion;
};

// The run a chain window created with this owner belongs to: the owner's
// own run when it is a chain window, a new snapshot otherwise.
std::shared_ptr<SurveyRun> runFor(QWidget* owner);

// The run's window done with that `spare` keeps, taken to be made again for
// a window of the run; null when there is none.
template <typename W> W* takeSpare(QWidget* owner, QPointer<W> SurveyRun::*spare)
{
    const std::shared_ptr<SurveyRun> run = runFor(owner);
    W* window = (*run).*spare;
    (*run).*spare = nullptr;
    return window;
}

// The window a new chain window is parented to: never an earlier chain window,
// so that releasing a window that is done with never takes the shown one along.
QWidget* chainParent(const std::shared_ptr<SurveyRun>& run, QWidget* owner);

// A survey's parameter row was deleted here: a run of that survey must never
// take a row later stored in the same place for its own.
void surveyRowDeleted(qint64 parameterRow);

// Decimal text to a whole number, with the class library's message.
int integerOfText(const QString& text);

// A run goes on only through its answers: a close asked for by the window
// system on one of its windows is refused. Returns true when refused.
bool refuseUserClose(const std::shared_ptr<SurveyRun>& run, QCloseEvent* event);
