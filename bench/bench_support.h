#pragma once
// What the benchmarks inside the program share: data as a user has it (32 x
// 32 24-bit bitmap pictures, 12 distinct per survey, stored the way the
// program stores them) and a clock that stops when a window's first paint
// has gone to the window system.

#include "bench_figures.h"
#include "platform/db/bitmap_file.h"
#include "platform/db/dataset.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <vector>

namespace bench {

// Picture k (0..11) of a survey: 32 x 32, 24 bits, a bitmap file of 3,126 bytes.
inline QImage surveyPicture(int survey, int k)
{
    QImage image(32, 32, QImage::Format_RGB888);
    image.fill(QColor::fromHsv((survey * 37 + k * 30) % 360, 200, 230));
    QPainter painter(&image);
    painter.setPen(QColor::fromHsv((k * 67) % 360, 255, 120));
    for (int i = 0; i <= k; ++i)
        painter.drawEllipse(QRect(2 + i * 2, 2 + i, 27 - i * 4, 27 - i * 2));
    return image;
}

// Writes icon files 1..count into a directory; icon n shows picture (n-1) % 12.
inline void writeSurveyIcons(const QString& directory, int survey, int count)
{
    QDir().mkpath(directory);
    for (int n = 1; n <= count; ++n)
        surveyPicture(survey, (n - 1) % 12).save(QDir(directory).filePath(QStringLiteral("%1.bmp").arg(n)), "BMP");
}

inline QString questionText(int survey, int question)
{
    return QStringLiteral("¿Qué icono prefiere para la pregunta %1 de la encuesta %2?").arg(question).arg(survey);
}

// `surveys` surveys of 50 questions each and `rows` result rows spread evenly
// over them, each survey's rows together as respondents leave them: every
// (question, icon) once, icon n with its picture as read from its file.
// Icon directories go under `iconRoot`. Uses (and leaves) DataModule6.
inline void fillStore(const QString& iconRoot, int surveys, int rows)
{
    const int perSurvey = (rows + surveys - 1) / surveys;
    const int iconsPerQuestion = std::max(12, (perSurvey + 49) / 50);
    vdb::Table* results = DataModule6->Table3;
    results->open();
    int written = 0;
    for (int s = 1; s <= surveys; ++s) {
        const QString icons = QDir(iconRoot).filePath(QString::number(s));
        writeSurveyIcons(icons, s, iconsPerQuestion);
        QStringList questions;
        for (int q = 1; q <= 50; ++q)
            questions << questionText(s, q);
        testing_support::writeSurvey(
            s, questions, 12, iconsPerQuestion, QString(icons).replace(QLatin1Char('/'), QLatin1Char('\\')));
        std::vector<QImage> pictures;
        for (int n = 1; n <= iconsPerQuestion; ++n)
            pictures.push_back(vdb::loadBitmapFile(QDir(icons).filePath(QStringLiteral("%1.bmp").arg(n))));
        vdb::Transaction tx(kDatabaseName);
        for (int j = 0; j < perSurvey && written < rows; ++j, ++written) {
            const int q = 1 + j % 50;
            const int icon = 1 + j / 50;
            results->append();
            results->fieldByName(QStringLiteral("Edicion")).setAsString(QString::number(s));
            results->fieldByName(QStringLiteral("Pregunta")).setAsString(questionText(s, q));
            results->fieldByName(QStringLiteral("Icono")).setAsString(QString::number(icon));
            results->fieldByName(QStringLiteral("Tiempo")).setAsString(QStringLiteral("0:0:%1:%2").arg(j % 20).arg(j));
            results->fieldByName(QStringLiteral("Grafico")).setImage(pictures[size_t(icon - 1)]);
            results->fieldByName(QStringLiteral("Suma_tiempo")).setAsString(QString::number(j % 20 + 1));
            results->fieldByName(QStringLiteral("Rep_icono")).setAsString(QStringLiteral("1"));
            results->fieldByName(QStringLiteral("Promedio")).setAsString(QString::number(j % 20 + 1));
            results->post();
        }
        tx.commit();
    }
    results->close();
}

// Copies the table files of one data directory into another.
inline void copyTables(const QString& from, const QString& to)
{
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(QDir(to).filePath(name));
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
            qFatal("cannot copy %s", qPrintable(name));
    }
}

// Stops when a top-level window chosen by `which` has been painted and its
// pixels handed to the window system: the expose or update request that
// painted it has been handled.
class PaintClock : public QObject
{
public:
    PaintClock() { qApp->installEventFilter(this); }

    void start(std::function<bool(QWidget*)> which)
    {
        m_which = std::move(which);
        m_doneMs = -1;
        m_timer.start();
    }
    bool done() const { return m_doneMs >= 0; }
    double elapsed() const { return m_doneMs; }
    // Runs the event loop until the paint; -1 after timeoutMs.
    double wait(int timeoutMs = 10000)
    {
        QElapsedTimer patience;
        patience.start();
        while (!done() && patience.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            std::fprintf(stderr, "no paint within %d ms\n", timeoutMs);
        return m_doneMs;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (done() || !m_which)
            return false;
        const QEvent::Type type = event->type();
        auto* widget = qobject_cast<QWidget*>(watched);
        if (type == QEvent::Paint && widget) {
            m_painted = m_painted || m_which(widget->window());
            return false;
        }
        // The window's own expose, paint or update request: the widgets'
        // painting and the hand-over of the pixels happen inside it.
        if (m_busy || (type != QEvent::Expose && type != QEvent::UpdateRequest && type != QEvent::Paint))
            return false;
        QWidget* top = widget;
        if (auto* window = qobject_cast<QWindow*>(watched))
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->windowHandle() == window)
                    top = w;
        if (!top || !top->isWindow() || !m_which(top))
            return false;
        m_busy = true;
        m_painted = false;
        QCoreApplication::sendEvent(watched, event);
        m_busy = false;
        if (m_painted)
            m_doneMs = msSince(m_timer);
        return true;
    }

private:
    std::function<bool(QWidget*)> m_which;
    QElapsedTimer m_timer;
    double m_doneMs = -1;
    bool m_busy = false;
    bool m_painted = false;
};

} // namespace bench
