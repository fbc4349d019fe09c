#include "survey_run.h"

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "platform/db/database.h"
#include "shell/run_state.h"
#include "store/data_module.h"

#include <QSqlQuery>

#include <set>

namespace {
int g_runsUnderWay = 0;
std::set<SurveyRun*> g_runs;

// Kept prepared: every answer looks its survey up again.
QSqlQuery& parameterRows(vdb::Database& db, const QString& condition, const QVariant& value)
{
    QSqlQuery& q = db.statement(QStringLiteral(
        "SELECT rowid, Edicion, Num, Num_ico, Total_ico, Direccion FROM variables WHERE %1 ORDER BY rowid")
                                    .arg(condition));
    q.addBindValue(value);
    db.exec(q, {});
    return q;
}

// The values a parameter row holds, as fields read them.
bool sameParameters(const QSqlQuery& row, const SurveyRun& run)
{
    auto text = [&row](int column) { return row.value(column).isNull() ? QString() : row.value(column).toString(); };
    return text(2) == QString::number(run.numPreguntas) && text(3) == QString::number(run.numIconos)
        && text(4) == QString::number(run.totalIconos) && text(5) == run.dirIconos;
}
} // namespace

SurveyRun::SurveyRun()
{
    g_runs.insert(this);
}

void surveyRowDeleted(qint64 parameterRow)
{
    for (SurveyRun* run : g_runs)
        if (run->parameterRow == parameterRow)
            run->parameterRow = -1;
}

std::shared_ptr<SurveyRun> SurveyRun::fromRunState()
{
    auto run = std::make_shared<SurveyRun>();
    run->edicion = EdicionActual;
    run->numPreguntas = NumPreguntas;
    run->numIconos = NumIconos;
    run->totalIconos = TotalIconos;
    run->dirIconos = DirIconos;
    run->questions = Memo1.lines();
    run->siguiente = SiguientePregunta;
    try {
        vdb::Database& db = vdb::Database::forName(kDatabaseName);
        db.attachExisting();
        QSqlQuery& rows = parameterRows(db, QStringLiteral("Edicion = ?"), run->edicion);
        while (run->parameterRow < 0 && rows.next())
            if (sameParameters(rows, *run))
                run->parameterRow = rows.value(0).toLongLong();
        rows.finish();
    } catch (const vdb::Error&) {
        // No such row: the run's first answer ends it.
    }
    return run;
}

SurveyRun::~SurveyRun()
{
    g_runs.erase(this);
    finish();
}

QString SurveyRun::iconFileName(int icon) const
{
    return dirIconos + QLatin1Char('\\') + QString::number(icon) + QStringLiteral(".bmp");
}

void SurveyRun::advance()
{
    ++siguiente;
    SiguientePregunta = siguiente;
}

void SurveyRun::start()
{
    if (m_underWay)
        return;
    m_underWay = true;
    ++g_runsUnderWay;
    RunUnderWay = true;
}

void SurveyRun::finish()
{
    if (!m_underWay)
        return;
    m_underWay = false;
    --g_runsUnderWay;
    RunUnderWay = g_runsUnderWay > 0;
}

void SurveyRun::end()
{
    finish();
    for (QWidget* spare : { static_cast<QWidget*>(spareNotice.data()), static_cast<QWidget*>(spareIconWindow.data()) })
        if (spare)
            spare->deleteLater();
    if (releaseAnchorAtEnd && anchor && !anchor->isVisible())
        anchor->deleteLater();
}

int SurveyRun::currentEdition() const
{
    if (parameterRow < 0)
        return 0;
    vdb::Database& db = vdb::Database::forName(kDatabaseName);
    QSqlQuery& row = parameterRows(db, QStringLiteral("rowid = ?"), parameterRow);
    const bool same = row.next() && sameParameters(row, *this) && !row.value(1).isNull();
    const int edicion = same ? row.value(1).toInt() : 0;
    row.finish();
    if (!same)
        return 0;
    // A question whose text was changed is still the same question: the run
    // goes on with the text it was handed. Fewer or more questions is another
    // survey. Counting reads every question of every survey: the count is
    // kept while the file's rows stay as they were.
    QSqlQuery& look = db.statement(QStringLiteral("SELECT 1 FROM preguntas LIMIT 1"));
    db.exec(look, {});
    look.finish();
    const QString version = db.contentsVersion(QStringLiteral("preguntas.DB"));
    if (version.isEmpty() || version != m_countedVersion || edicion != m_countedEdition) {
        QSqlQuery& count = db.statement(QStringLiteral("SELECT count(*) FROM preguntas WHERE Edicion = ?"));
        count.addBindValue(edicion);
        db.exec(count, {});
        m_countedQuestions = count.next() ? count.value(0).toInt() : -1;
        count.finish();
        m_countedEdition = edicion;
        m_countedVersion = version;
    }
    return m_countedQuestions == questions.size() ? edicion : 0;
}

std::shared_ptr<SurveyRun> runFor(QWidget* owner)
{
    if (auto* notice = qobject_cast<TForm4*>(owner); notice && notice->run())
        return notice->run();
    if (auto* icons = qobject_cast<TForm5*>(owner); icons && icons->run())
        return icons->run();
    auto run = SurveyRun::fromRunState();
    run->anchor = owner;
    return run;
}

QWidget* chainParent(const std::shared_ptr<SurveyRun>& run, QWidget* owner)
{
    return run ? run->anchor.data() : owner;
}

int integerOfText(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || text.trimmed() != text)
        throw vdb::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

bool refuseUserClose(const std::shared_ptr<SurveyRun>& run, QCloseEvent* event)
{
    if (!run || !event->spontaneous())
        return false;
    event->ignore();
    return true;
}
