#pragma once
// What every test needs: a fresh data directory with real table files, and a
// way to answer a modal window as a user does.

#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QWidget;
class QAbstractButton;

namespace testing_support {

// Points the data directory at a fresh temporary folder; with createTables,
// the three table files are created there as vesmarin-init does.
class TestData
{
public:
    explicit TestData(bool createTables = true);
    ~TestData();
    QString directory() const; // the data directory itself
    QString tablePath(const QString& fileName) const;
    QString path(const QString& relative) const; // inside the temporary folder

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Writes a Windows bitmap file of the given size and colour.
QString writeBitmap(const QString& path, int width = 32, int height = 32, Qt::GlobalColor color = Qt::red);
// Writes icons 1..count into a directory.
void writeIcons(const QString& directory, int count, int size = 32);

// Schedules an answer to the next modal window (message box or dialog): once
// a modal window other than the one active now is shown, `act` runs on it.
// Polls the event loop without sleeping.
void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs = 5000);
// Presses the button of the next modal window whose text (without '&') is `text`.
void pressOnModal(const QString& text, int timeoutMs = 5000);
// The text of the most recent modal window answered by the helpers above.
QString lastModalText();
QString lastModalTitle();

QAbstractButton* findButton(QWidget* window, const QString& text);

} // namespace testing_support
