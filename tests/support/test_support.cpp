#include "test_support.h"

#include "platform/db/database.h"
#include "store/tables.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

static QString g_lastText; // what the last answered modal window said

TestData::TestData(bool createTables)
    : m_dir(std::make_unique<QTemporaryDir>())
{
    qputenv("XDG_DATA_HOME", m_dir->path().toUtf8());
    QDir().mkpath(directory());
    vdb::Database::closeAll();
    vdb::setDatabaseDirectory(kDatabaseName, directory());
    if (const QStringList problems = createTables ? createMissingTables(directory()) : QStringList();
        !problems.isEmpty())
        qFatal("cannot create tables: %s", qPrintable(problems.join(QLatin1Char('\n'))));
}

TestData::~TestData()
{
    vdb::Database::closeAll();
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
    for (int i = 1; i <= count; ++i) // twelve colours, red to dark yellow, in turn
        writeBitmap(QStringLiteral("%1/%2.bmp").arg(directory).arg(i), size, size, Qt::GlobalColor(Qt::red + i % 12));
}

QAbstractButton* findButton(QWidget* window, const QString& text)
{
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->text().remove(QLatin1Char('&')) == text && b->isVisible())
            return b;
    return nullptr;
}

void whenModal(const std::function<void(QWidget*)>& act, int timeoutMs)
{
    auto* timer = new QTimer;
    // A modal window already open is not the one to answer: the next one, opened on top of it, is.
    QPointer<QWidget> before = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, due = QDeadlineTimer(timeoutMs), before] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool shown = modal && modal->isVisible() && modal != before;
        if (!shown && !due.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (!shown)
            return qWarning("no modal window appeared");
        const auto* box = qobject_cast<QMessageBox*>(modal);
        g_lastText = box ? box->text() : QString();
        act(modal);
    });
    timer->start(10);
}

void pressOnModal(const QString& text, int timeoutMs)
{
    const auto press = [text](QWidget* modal) {
        if (QAbstractButton* b = findButton(modal, text))
            return b->click();
        qWarning("button '%s' not found on '%s'", qPrintable(text), qPrintable(modal->windowTitle()));
    };
    whenModal(press, timeoutMs);
}

QString lastModalText()
{
    return g_lastText;
}

bool showActive(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

void typeKeys(QWidget* widget, const QString& script)
{
    static const QHash<QString, Qt::Key> named { { "home", Qt::Key_Home }, { "end", Qt::Key_End },
        { "bs", Qt::Key_Backspace }, { "del", Qt::Key_Delete }, { "enter", Qt::Key_Return }, { "tab", Qt::Key_Tab },
        { "btab", Qt::Key_Backtab }, { "up", Qt::Key_Up }, { "down", Qt::Key_Down }, { "left", Qt::Key_Left },
        { "right", Qt::Key_Right }, { "esc", Qt::Key_Escape } };
    // A named key, a control key, or any one character.
    static const QRegularExpression token(QStringLiteral("<(%1)>|\\^(.)|(.)").arg(named.keys().join('|')),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    for (auto it = token.globalMatch(script); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.hasCaptured(1)) {
            QTest::keyClick(widget, named.value(m.captured(1).toLower()));
        } else if (m.hasCaptured(2)) {
            QTest::keyClick(widget, m.captured(2).at(0).toLatin1(), Qt::ControlModifier);
        } else {
            const QChar c = m.captured(3).at(0);
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }
}

void withTableFile(const QString& path, const std::function<void(QSqlDatabase&)>& work)
{
    static int serial = 0;
    const QString name = QStringLiteral("test-file-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Runs sql on db with values bound, failing the whole test run when it cannot.
static QSqlQuery run(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!ok || !q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}

// Rows as "a|b|c" in the order the file keeps them, a blank field read as nullText.
static QStringList selectRows(
    const QString& path, const QString& table, const QString& columns, const QString& nullText)
{
    QStringList rows;
    withTableFile(path, [&](QSqlDatabase& db) {
        for (QSqlQuery q = run(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns, table)); q.next();) {
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i)
                fields << (q.value(i).isNull() ? nullText : q.value(i).toString());
            rows << fields.join(QLatin1Char('|'));
        }
    });
    return rows;
}

void execOn(QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    run(db, sql, values);
}

QStringList fileRows(const QString& path, const QString& table, const QString& columns)
{
    return selectRows(path, table, columns, QString());
}

QStringList allFileRows(const QString& path, const QString& table)
{
    return selectRows(path, table, QStringLiteral("rowid, *"), QStringLiteral("<null>"));
}

void failWritesWhere(const QString& path, const QString& table, const QString& operation, const QString& when)
{
    withTableFile(path, [&](QSqlDatabase& db) {
        execOn(db,
            QStringLiteral("CREATE TRIGGER injected_failure BEFORE %1 ON %2 WHEN %3 "
                           "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END")
                .arg(operation, table, when));
    });
}

// Opens the table, appends and posts one row of fields given as name, value,
// name, value... and a picture, if any.
static void appendRow(vdb::Table* t, const QVariantList& fields, const QImage& picture = {})
{
    t->open();
    t->append();
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
        t->fieldByName(fields[i].toString()).setAsString(fields[i + 1].toString());
    if (!picture.isNull())
        t->fieldByName(QStringLiteral("Grafico")).setImage(picture);
    t->post();
}

void writeSurvey(int edicion, const QStringList& questions, int numIconos, int totalIconos, const QString& directory)
{
    appendRow(DataModule6->Table1,
        { "Edicion", edicion, "Num", questions.size(), "Num_ico", numIconos, "Total_ico", totalIconos, "Direccion",
            directory });
    for (const QString& q : questions)
        appendRow(DataModule6->Table2, { "Edicion", edicion, "Preguntas", q });
    DataModule6->Table1->close();
    DataModule6->Table2->close();
}

void writeResult(int edicion, const QString& pregunta, int icon, int count, int average, const QImage& picture)
{
    vdb::Table* t = DataModule6->Table3;
    const bool wasOpen = t->active();
    appendRow(t,
        { "Edicion", edicion, "Pregunta", pregunta, "Icono", icon, "Tiempo", "0:0:1:0", "Suma_tiempo", count * average,
            "Rep_icono", count, "Promedio", average },
        picture);
    if (!wasOpen)
        t->close();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const vdb::Error& e) {
        return e.text();
    }
    return {};
}

bool runAnswered(const std::function<void()>& action, int patienceMs)
{
    QTimer rescue;
    const QDeadlineTimer due(patienceMs);
    bool stuck = false;
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && due.hasExpired()) {
            qWarning("left unanswered: %s '%s'", modal->metaObject()->className(), qPrintable(modal->windowTitle()));
            stuck = true;
            modal->hide();
        }
    });
    rescue.start(100);
    action();
    return !stuck;
}

Fifo::Fifo(const QString& path, int limitMs)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkfifo(name.constData(), 0600) != 0)
        qFatal("cannot make the FIFO %s", name.constData());
    m_watch = std::jthread([this, name, limitMs](std::stop_token stop) {
        // Opening the writing end succeeds only while a reader waits, and frees it.
        for (QDeadlineTimer due(limitMs); !stop.stop_requested();
             std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (const int fd = due.hasExpired() ? ::open(name.constData(), O_WRONLY | O_NONBLOCK) : -1; fd >= 0) {
                m_waited = true;
                ::close(fd);
            }
    });
}

} // namespace testing_support
