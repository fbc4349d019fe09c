#pragma once
// What every test needs: a fresh data directory with real table files, and modal windows answered as a user does.

#include "store/data_module.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

class QWidget;
class QAbstractButton;
class QSqlDatabase;

namespace testing_support {

// Points the data directory at a fresh temporary folder; with createTables, the three tables are made as init does.
class TestData
{
public:
    explicit TestData(bool createTables = true);
    ~TestData();
    QString directory() const { return m_dir->path() + QStringLiteral("/vesmarin"); }
    QString tablePath(const QString& fileName) const { return directory() + QLatin1Char('/') + fileName; }
    QString path(const QString& relative) const { return m_dir->filePath(relative); } // inside the temporary folder

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

// A TestData with DataModule6 created over it, deleted again before the directory goes.
class ModuleData : public TestData
{
public:
    ModuleData() { DataModule6 = new TDataModule6; }
    ~ModuleData() { delete std::exchange(DataModule6, nullptr); }
};

// Writes a Windows bitmap file of the given size and colour.
QString writeBitmap(const QString& path, int width = 32, int height = 32, Qt::GlobalColor color = Qt::red);
// Writes icons 1..count into a directory.
void writeIcons(const QString& directory, int count, int size = 32);

// Once a modal window other than the one active now is shown, `act` runs on it.
void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs = 5000);
// Presses the button of the next modal window whose text (without '&') is `text`.
void pressOnModal(const QString& text, int timeoutMs = 5000);
// The text of the most recent modal window answered by the helpers above.
QString lastModalText();

QAbstractButton* findButton(QWidget* window, const QString& text);

// Appends a survey's parameter row and question rows through the data module; both tables are left closed.
void writeSurvey(int edicion, const QStringList& questions, int numIconos = 4, int totalIconos = 12,
    const QString& directory = QStringLiteral("C:\\iconos"));
// Appends one result row with the given count and average; the table is left open or closed as it was.
void writeResult(int edicion, const QString& pregunta, int icon, int count, int average, const QImage& picture = {});

// Shows a window and makes it the active one, so focus and keys behave as for a user; false when it did not.
bool showActive(QWidget* window);
// Types a script into a widget (null: the focused one): characters as keys, ^x as Ctrl+x, and (any case)
// <Home> <End> <BS> <Del> <Enter> <Tab> <BTab> (Shift+Tab) <Up> <Down> <Left> <Right> <Esc> as those keys.
void typeKeys(QWidget* widget, const QString& script);

// A table file through a connection of the test's own, as another program sees it.
void withTableFile(const QString& path, const std::function<void(QSqlDatabase&)>& work);
void execOn(QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// Rows as "a|b|c" in the order the file keeps them; a blank field reads "".
QStringList fileRows(const QString& path, const QString& table, const QString& columns);
// Every column of every row, pictures included, to tell "nothing changed".
QStringList allFileRows(const QString& path, const QString& table);
// A trigger failing one particular write with "disco lleno", as a full disk would part-way through.
void failWritesWhere(const QString& path, const QString& table, const QString& operation, const QString& when);
// A file's whole content (empty when it cannot be read), to tell "left alone".
QByteArray fileBytes(const QString& path);
// The text of the store error an action throws; empty when it throws none.
QString errorOf(const std::function<void()>& action);
// Runs an action; a modal window left unanswered for patienceMs is hidden and the result is false.
bool runAnswered(const std::function<void()>& action, int patienceMs = 8000);

// A FIFO at `path`; a reader waiting on it past limitMs is freed by a writer, and waited() tells so.
class Fifo
{
public:
    explicit Fifo(const QString& path, int limitMs = 5000);
    bool waited() const { return m_waited; }

private:
    std::atomic<bool> m_waited { false };
    std::jthread m_watch; // stopped and joined before the flag goes
};

} // namespace testing_support
