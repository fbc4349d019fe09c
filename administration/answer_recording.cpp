#include "answer_recording.h"

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "administration/run_clock.h"
#include "administration/survey_run.h"
#include "platform/db/database.h"
#include "platform/db/dataset.h"
#include "platform/ui/messages.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QApplication>
#include <QSignalBlocker>

#include <exception>
#include <utility>

int FinMs = 0;
int Transcurrido = 0;
QString TiemposPregunta[51];

AnswerTime answerTime(int inicioMs, int finMs, qint64 steadyMs)
{
    constexpr int kDay = 86400000;
    AnswerTime t;
    t.elapsedMs = finMs >= inicioMs ? finMs - inicioMs : finMs - inicioMs + kDay;
    // Readings taken together agree to a few milliseconds; a second or more
    // apart, the clock was set during the answer and only the steady count holds.
    const int steady = int(qMax<qint64>(steadyMs, 0) % kDay);
    if (qAbs(t.elapsedMs - steady) >= 1000)
        t.elapsedMs = steady;
    int rest = t.elapsedMs % 3600000;
    t.hours = t.elapsedMs / 3600000;
    t.minutes = rest / 60000;
    rest %= 60000;
    t.seconds = rest / 1000;
    t.millis = rest % 1000;
    t.wholeSeconds = t.elapsedMs / 1000;
    t.text = QStringLiteral("%1:%2:%3:%4").arg(t.hours).arg(t.minutes).arg(t.seconds).arg(t.millis);
    return t;
}

namespace {

// The wait cursor, once the answer has to wait for another program's lock.
class BusyCursor
{
public:
    BusyCursor()
        : m_notice([this] {
            if (!std::exchange(m_shown, true))
                QApplication::setOverrideCursor(Qt::WaitCursor);
        })
    {
    }
    ~BusyCursor()
    {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_shown = false;
    vdb::LockWaitNotice m_notice;
};

// Leaves the table browsing when a post is refused, so that nothing of the
// refused answer stays in the row buffer and the next click starts clean.
class CancelOnError
{
public:
    explicit CancelOnError(vdb::DataSet* set)
        : m_set(set)
        , m_exceptions(std::uncaught_exceptions())
    {
    }
    ~CancelOnError()
    {
        if (std::uncaught_exceptions() > m_exceptions)
            m_set->cancel();
    }

private:
    vdb::DataSet* m_set;
    int m_exceptions;
};

// The scan walks every row; bound controls hear of the outcome once, at the end.
class QuietWalk
{
public:
    explicit QuietWalk(vdb::DataSet* set)
        : m_set(set)
        , m_blocker(set)
    {
    }
    ~QuietWalk()
    {
        m_blocker.unblock();
        emit m_set->dataChanged();
    }

private:
    vdb::DataSet* m_set;
    QSignalBlocker m_blocker;
};

void fillNewRow(vdb::Table* table, const ResultKey& key, const QString& tiempo, const QImage& picture, int wholeSeconds)
{
    table->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(key.edicion));
    table->fieldByName(QStringLiteral("Pregunta")).setAsString(key.pregunta);
    table->fieldByName(QStringLiteral("Tiempo")).setAsString(tiempo);
    table->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(key.icono));
    table->fieldByName(QStringLiteral("Grafico")).setImage(picture);
    table->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
    table->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(wholeSeconds));
    table->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(wholeSeconds));
}

} // namespace

bool accumulateAnswer(
    vdb::Table* table, const ResultKey& key, const QString& tiempo, const QImage& picture, int wholeSeconds)
{
    QuietWalk quiet(table);
    vdb::Transaction transaction(table->databaseName(), { table->tableName() });
    CancelOnError cancel(table);

    // Decided on the file as it is under the write lock, not on rows read
    // before: another copy of the program may have answered meanwhile. Every
    // row whose key fields read as the key's texts counts, as a walk over the
    // whole table would find them.
    const std::vector<qint64> rows = table->rowsReading({ { QStringLiteral("edicion"), QString::number(key.edicion) },
        { QStringLiteral("pregunta"), key.pregunta }, { QStringLiteral("icono"), QString::number(key.icono) } });
    vdb::Field rep = table->fieldByName(QStringLiteral("Rep_icono"));
    vdb::Field suma = table->fieldByName(QStringLiteral("Suma_tiempo"));
    vdb::Field promedio = table->fieldByName(QStringLiteral("Promedio"));
    for (const qint64 row : rows) {
        table->locate(row);
        table->edit();
        const int newRep = integerOfText(rep.asString()) + 1;
        const int newSuma = integerOfText(suma.asString()) + wholeSeconds;
        rep.setAsString(QString::number(newRep));
        suma.setAsString(QString::number(newSuma));
        promedio.setAsString(QString::number(newSuma / newRep));
        table->post();
    }
    if (rows.empty()) {
        table->append();
        fillNewRow(table, key, tiempo, picture, wholeSeconds);
        table->post();
    } else {
        table->last(); // where the walk over every row would have left it
    }
    transaction.commit();
    return !rows.empty();
}

void recordAnswer(TForm5* window, int n)
{
    if (window->answered() || !window->run())
        return;
    SurveyRun& run = *window->run();

    const run_clock::Reading end = run_clock::now();
    LecturaReloj = QDateTime(QDate::currentDate(), end.local);
    FinMs = msSinceMidnight(end.local);
    const AnswerTime time = answerTime(window->startMs(), FinMs, end.steadyMs - window->steadyStartMs());
    Transcurrido = time.wholeSeconds;
    const int q = run.siguiente - 1;
    if (q >= 1 && q <= 50)
        TiemposPregunta[q] = time.text;

    vdb::Table* results = DataModule6->Table3;
    // The run keeps its table open, but a close from elsewhere must not lose the answer.
    if (!results->active())
        results->open();

    // A lock held by another program is waited for a moment before the
    // respondent is told; the click can then be made again.
    bool stored = false;
    {
        const BusyCursor busy;
        // The survey is looked up under the same lock the answer is written
        // with: a deletion or a change cannot come between the two.
        vdb::Transaction transaction(kDatabaseName, { results->tableName() });
        const int edicion = run.currentEdition();
        if (edicion > 0) {
            run.edicion = edicion;
            const ResultKey key { edicion, run.question(q), window->shownIcon(n) };
            Encontrado = accumulateAnswer(results, key, time.text, window->picture(n), time.wholeSeconds) ? 1 : 0;
            stored = true;
        }
        transaction.commit();
    }
    // A survey deleted or changed while it ran gets no more answers.
    if (!stored) {
        run.finish();
        window->setAnswered();
        results->close();
        window->hide();
        vui::notice(window, QStringLiteral("Los datos de la Encuesta son Incorrectos o han sido Modificados"));
        window->deleteLater();
        run.end();
        return;
    }
    window->setAnswered();

    if (run.siguiente > run.numPreguntas) {
        run.finish();
        results->close();
        window->hide();
        vui::notice(window, QStringLiteral("Fin del cuestionario"));
        window->deleteLater();
        run.end();
        return;
    }
    TForm4* notice = TForm4::open(window);
    notice->show();
    run.advance();
    window->hide();
    // Hidden until the next question's icon window is this one made again.
    run.spareIconWindow = window;
}
