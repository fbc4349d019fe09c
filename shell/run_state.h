#pragma once
// The values by which the windows hand work to one another. They live for the
// whole program and are read and written by name.

#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

extern int EdicionActual;     // the edition in hand
extern int NumPreguntas;      // questions of the survey being created or run
extern int NumIconos;         // icons shown with each question
extern int TotalIconos;       // icon pictures available, numbered from 1
extern QString DirIconos;     // directory of the icon pictures
extern int SiguientePregunta; // 1-based number of the next question to announce
extern int ModoReedicion;     // 1: the new-survey dialog edits the last parameter row

// True from a successful hand-over until the last answer of that run is
// recorded: while it holds, no command may close the results table.
extern bool RunUnderWay;

// The running survey's questions, held by the main window: entry k - 1 is
// question k; an entry beyond the end reads as an empty text.
class QuestionList
{
public:
    void replace(const QStringList& lines) { m_lines = lines; }
    QString entry(int index) const { return index >= 0 && index < m_lines.size() ? m_lines.at(index) : QString(); }
    int count() const { return int(m_lines.size()); }
    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
};

extern QuestionList Memo1;

// The main window, whose position and size the icon windows read.
extern QWidget* MainWindow;
QRect mainWindowBounds();

// DirIconos, "\", the number in decimal and ".bmp", joined unchanged.
QString iconFileName(int icon);
// The path to open for such a name: "\" separates directories here too.
QString iconFilePath(const QString& fileName);
