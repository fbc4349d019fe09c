#pragma once
// Recording an answer: how long the respondent took, the accumulation in the
// results table, and the move on to the next question or to the end.

#include <QDateTime>
#include <QImage>
#include <QString>

class TForm5;
namespace vdb {
class Table;
}

// Working values of the latest recording.
extern QDateTime LecturaReloj;
extern int FinMs;
extern int Transcurrido; // whole seconds of the latest answer
extern QString TiemposPregunta[51]; // entries 1..50: time text of the latest answer

struct AnswerTime
{
    int elapsedMs = 0; // 0 .. 86400000 - 1
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int millis = 0;
    int wholeSeconds = 0;
    QString text; // "h:m:s:ms", no leading zeros
};

// From a start and an end in milliseconds since local midnight (an end before
// the start went past midnight) and the steady clock's count between them,
// which decides when the local clock was set in between. Modulo one day.
AnswerTime answerTime(int inicioMs, int finMs, qint64 steadyMs);

struct ResultKey
{
    int edicion = 0;
    QString pregunta;
    int icono = 0;
};

// Finds every row of the table with the key (compared as text) and adds the
// answer to it, or appends a new row; one transaction. Returns whether a row
// was found. On a refused value nothing is stored and the table is left
// browsing, as it was.
bool accumulateAnswer(
    vdb::Table* table, const ResultKey& key, const QString& tiempo, const QImage& picture, int wholeSeconds);

// The click on button n (1..12) of an icon window.
void recordAnswer(TForm5* window, int n);
