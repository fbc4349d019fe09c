#pragma once
// The windows of a run found and answered as a respondent does.

#include "administration/icon_window.h"
#include "administration/question_notice.h"
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

template <typename W> QList<W*> liveWindows(bool shownOnly = false)
{
    QList<W*> found;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* window = qobject_cast<W*>(w); window && (!shownOnly || w->isVisible()))
            found << window;
    return found;
}

template <typename W> W* shownWindow()
{
    return liveWindows<W>(true).value(0);
}

// Presses OK on every modal window as soon as it shows and keeps what each said; one without OK is hidden, and named.
// Counts the gaps too: hides of a run's window that leave none of them shown.
struct Answerer : QObject
{
    Answerer()
    {
        qApp->installEventFilter(this);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            auto* box = qobject_cast<QMessageBox*>(modal);
            QAbstractButton* ok = testing_support::findButton(modal, QStringLiteral("OK"));
            messages << (ok ? "" : "left open: ") + (box ? box->text() : modal->windowTitle());
            ok ? ok->click() : modal->hide();
        });
        timer.start(10);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && (qobject_cast<TForm4*>(watched) || qobject_cast<TForm5*>(watched)))
            gaps += !shownWindow<TForm4>() && !shownWindow<TForm5>();
        return false;
    }
    // What was shown since the last call; empty when nothing.
    QString take() { return std::exchange(messages, {}).join(QLatin1Char('\n')); }
    QStringList messages;
    int gaps = 0;
    QTimer timer;
};

inline void releaseHidden()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace run_fixture
