#include "test_support.h"

#include "platform/db/database.h"
#include "store/data_module.h"
#include "store/tables.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace testing_support {

namespace {
QString g_lastText;
QString g_lastTitle;
}

TestData::TestData(bool createTables)
    : m_dir(std::make_unique<QTemporaryDir>())
{
    qputenv("XDG_DATA_HOME", m_dir->path().toUtf8());
    QDir().mkpath(directory());
    vdb::Database::closeAll();
    vdb::setDatabaseDirectory(kDatabaseName, directory());
    if (createTables) {
        const QStringList problems = createMissingTables(directory());
        if (!problems.isEmpty())
            qFatal("cannot create tables: %s", qPrintable(problems.join(QLatin1Char('\n'))));
    }
}

TestData::~TestData()
{
    vdb::Database::closeAll();
}

QString TestData::directory() const
{
    return m_dir->path() + QStringLiteral("/vesmarin");
}

QString TestData::tablePath(const QString& fileName) const
{
    return QDir(directory()).filePath(fileName);
}

QString TestData::path(const QString& relative) const
{
    return m_dir->filePath(relative);
}

QString writeBitmap(const QString& path, int width, int height, Qt::GlobalColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "BMP"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void writeIcons(const QString& directory, int count, int size)
{
    static const Qt::GlobalColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow,
                                              Qt::darkRed, Qt::darkGreen, Qt::darkBlue, Qt::darkCyan, Qt::darkMagenta,
                                              Qt::darkYellow, Qt::gray, Qt::black};
    for (int i = 1; i <= count; ++i)
        writeBitmap(QDir(directory).filePath(QStringLiteral("%1.bmp").arg(i)), size, size, colours[i % 14]);
}

QAbstractButton* findButton(QWidget* window, const QString& text)
{
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        QString t = b->text();
        t.remove(QLatin1Char('&'));
        if (t == text && b->isVisible())
            return b;
    }
    return nullptr;
}

void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs)
{
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    // A modal window already open when the answer is scheduled is not the one
    // to answer: the next one, opened on top of it, is.
    QPointer<QWidget> before = QApplication::activeModalWidget();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, elapsed, timeoutMs, before] {
        *elapsed += 10;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal != before) {
            timer->stop();
            timer->deleteLater();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                g_lastText = box->text();
            else
                g_lastText.clear();
            g_lastTitle = modal->windowTitle();
            act(modal);
            return;
        }
        if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            qWarning("no modal window appeared");
        }
    });
    timer->start();
}

void pressOnModal(const QString& text, int timeoutMs)
{
    whenModal(
        [text](QWidget* modal) {
            QAbstractButton* b = findButton(modal, text);
            if (!b) {
                qWarning("button '%s' not found on '%s'", qPrintable(text), qPrintable(modal->windowTitle()));
                return;
            }
            b->click();
        },
        timeoutMs);
}

QString lastModalText()
{
    return g_lastText;
}

QString lastModalTitle()
{
    return g_lastTitle;
}

} // namespace testing_support
