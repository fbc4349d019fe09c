#include "survey_run.h"

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "platform/db/dataset.h"
#include "shell/run_state.h"
#include "store/data_module.h"

namespace {
int g_runsUnderWay = 0;
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
    return run;
}

SurveyRun::~SurveyRun()
{
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
    if (releaseAnchorAtEnd && anchor && !anchor->isVisible())
        anchor->deleteLater();
}

bool SurveyRun::surveyUnchanged() const
{
    vdb::Query parameters;
    parameters.setDatabaseName(kDatabaseName);
    parameters.addSql(QStringLiteral("SELECT * FROM variables WHERE Edicion = ?"), { edicion });
    parameters.open();
    if (parameters.recordCount() != 1)
        return false;
    auto number = [&](const char* name) { return parameters.fieldByName(QLatin1String(name)).asString(); };
    if (number("Num") != QString::number(numPreguntas) || number("Num_ico") != QString::number(numIconos)
        || number("Total_ico") != QString::number(totalIconos) || number("Direccion") != dirIconos)
        return false;

    // A question whose text was changed is still the same question: the run
    // goes on with the text it was handed. Fewer or more questions is another survey.
    vdb::Query rows;
    rows.setDatabaseName(kDatabaseName);
    rows.addSql(QStringLiteral("SELECT count(*) AS n FROM preguntas WHERE Edicion = ?"), { edicion });
    rows.open();
    return rows.fieldByName(QStringLiteral("n")).asString() == QString::number(questions.size());
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
