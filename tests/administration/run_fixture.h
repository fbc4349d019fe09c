#pragma once
// The windows of a run found and answered as a respondent does.

#include "administration/icon_window.h"
#include "administration/question_notice.h"
#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace run_fixture {

// The icon directory in the form a survey stores it.
inline QString surveyDirectory(QString path)
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

template <typename W> QList<W*> liveWindows()
{
    QList<W*> found;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* window = qobject_cast<W*>(w))
            found << window;
    return found;
}

template <typename W> W* shownWindow()
{
    for (W* w : liveWindows<W>())
        if (w->isVisible())
            return w;
    return nullptr;
}

// Presses OK on every modal window as soon as it shows and keeps what each said; one without OK is hidden, and named.
class Answerer
{
public:
    Answerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            auto* box = qobject_cast<QMessageBox*>(modal);
            QAbstractButton* ok = testing_support::findButton(modal, QStringLiteral("OK"));
            messages << (ok ? "" : "left open: ") + (box ? box->text() : modal->windowTitle());
            ok ? ok->click() : modal->hide();
        });
        m_timer.start(10);
    }
    // What the action showed, taken out of `messages`; empty when nothing.
    QString messageOf(const std::function<void()>& action)
    {
        const qsizetype before = messages.size();
        action();
        const QString shown = messages.mid(before).join(QLatin1Char('\n'));
        messages.resize(before);
        return shown;
    }
    QStringList messages;

private:
    QTimer m_timer;
};

inline void releaseHidden()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace run_fixture
