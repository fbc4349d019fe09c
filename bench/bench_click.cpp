// A respondent's waits while taking a survey, with 1,000, 30,000 and 100,000
// result rows in the store: the click on an icon, from the button's release
// to the next notice painted, beside a bare durable insert of one row in the
// same folder; and the icon window, from the notice's "Aceptar" released to
// the icon window painted, beside a plain window showing the same pictures.

#include "authoring/survey_list.h"
#include "bench_support.h"
#include "platform/ui/fonts.h"
#include "platform/ui/form.h"
#include "shell/run_state.h"
#include "tests/administration/run_fixture.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace bench;

namespace {

constexpr int kQuestions = 25; // answered per size

struct RunFigures
{
    std::vector<double> clicks;
    std::vector<double> iconWindows;
};

// The floor of a click: one result-sized row, picture included, inserted and
// committed as durably as the store commits, in the same folder; timed back to
// back after the clicks (the figure's floor), and also once between every two
// clicks, on the disk as the clicks find it.
class DurableInsert
{
public:
    DurableInsert(const QString& folder, const QImage& picture)
        : m_blob(vdb::encodeGraphic(picture))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(QDir(folder).filePath(QStringLiteral("floor.sqlite")));
        if (!db.open())
            qFatal("cannot open the floor's file");
        m_query = QSqlQuery(db);
        m_query.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        m_query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        m_query.exec(QStringLiteral(
            "CREATE TABLE r (a INTEGER, b TEXT, c INTEGER, d TEXT, e BLOB, f INTEGER, g INTEGER, h INTEGER)"));
    }
    ~DurableInsert()
    {
        m_query = QSqlQuery();
        QSqlDatabase::database(kConnection).close();
        QSqlDatabase::removeDatabase(kConnection);
    }
    DurableInsert(const DurableInsert&) = delete;
    DurableInsert& operator=(const DurableInsert&) = delete;

    // Times one commit into `into`.
    void sample(std::vector<double>& into)
    {
        QElapsedTimer timer;
        timer.start();
        m_query.exec(QStringLiteral("BEGIN"));
        m_query.prepare(QStringLiteral("INSERT INTO r VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& v :
            QVariantList { 1, questionText(1, 1), int(into.size()), QStringLiteral("0:0:2:0"), m_blob, 2, 1, 2 })
            m_query.addBindValue(v);
        m_query.exec();
        m_query.exec(QStringLiteral("COMMIT"));
        into.push_back(msSince(timer));
    }
    double backToBack()
    {
        std::vector<double> ms;
        for (int i = 0; i < 30; ++i)
            sample(ms);
        return median(ms);
    }
    std::vector<double> betweenClicks;

private:
    static inline const QString kConnection = QStringLiteral("floor");
    QByteArray m_blob;
    QSqlQuery m_query;
};

// Presses a button, starts the clock on its release and waits for the next
// window `which` accepts to be painted.
double releaseUntilPainted(PaintClock& clock, QWidget* button, std::function<bool(QWidget*)> which)
{
    QTest::mousePress(button, Qt::LeftButton);
    clock.start(std::move(which));
    QTest::mouseRelease(button, Qt::LeftButton);
    return clock.wait();
}

// Survey 1 taken from the survey list as a respondent does, up to question kQuestions.
RunFigures takeSurvey(PaintClock& clock, DurableInsert& floor)
{
    using run_fixture::shownWindow;
    DataModule6->Table3->open();
    DataModule6->Table1->open();
    EdicionActual = DataModule6->Table1->recordCount();
    QPointer<TForm7> list = new TForm7;
    list->BitBtn1->show();
    list->BitBtn1->click();
    RunFigures out;
    for (int q = 1; q <= kQuestions; ++q) {
        TForm4* notice = shownWindow<TForm4>();
        if (!notice)
            qFatal("no notice for question %d", q);
        if (!QTest::qWaitForWindowExposed(notice, 5000))
            qFatal("notice %d not shown", q);
        out.iconWindows.push_back(releaseUntilPainted(
            clock, notice->BitBtn1, [](QWidget* w) { return qobject_cast<TForm5*>(w) && w->isVisible(); }));
        TForm5* icons = shownWindow<TForm5>();
        out.clicks.push_back(releaseUntilPainted(clock, icons->speedButton(1 + q % 12),
            [](QWidget* w) { return qobject_cast<TForm4*>(w) && w->isVisible(); }));
        run_fixture::releaseHidden();
        floor.sample(floor.betweenClicks);
    }
    delete list.data();
    run_fixture::releaseHidden();
    return out;
}

// The floor of the icon window: a plain window with 12 labels showing the
// same picture files.
double plainWindowMs(PaintClock& clock, const QString& icons)
{
    std::vector<double> ms;
    for (int run = 0; run < kQuestions; ++run) {
        clock.start([](QWidget* w) { return w->objectName() == QLatin1String("floor"); });
        auto* window = new QWidget;
        window->setObjectName(QStringLiteral("floor"));
        window->resize(544, 375);
        for (int n = 1; n <= 12; ++n) {
            auto* label = new QLabel(window);
            label->setPixmap(QPixmap(QDir(icons).filePath(QStringLiteral("%1.bmp").arg(n))));
            label->setGeometry(20 + (n - 1) % 6 * 84, 60 + (n - 1) / 6 * 150, 36, 36);
        }
        window->show();
        ms.push_back(clock.wait());
        delete window;
    }
    return median(ms);
}

// What a click's window change costs by itself: a plain window with a text
// and a button shown again while another one is hidden, to painted.
double plainWindowChangeMs(PaintClock& clock)
{
    QWidget shown;
    QWidget next;
    for (QWidget* w : { &shown, &next }) {
        w->setObjectName(QStringLiteral("change"));
        w->resize(544, 375);
    }
    auto* text = new QLabel(&next);
    text->setGeometry(20, 40, 500, 40);
    (new QPushButton(QStringLiteral("Aceptar"), &next))->setGeometry(230, 300, 75, 25);
    std::vector<double> ms;
    for (int run = 0; run < kQuestions; ++run) {
        shown.show();
        next.hide();
        if (!QTest::qWaitForWindowExposed(&shown, 5000))
            qFatal("plain window not shown");
        text->setText(questionText(1, run + 1));
        clock.start([&next](QWidget* w) { return w == &next; });
        next.show();
        shown.hide();
        ms.push_back(clock.wait());
    }
    return median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    vui::installFontSubstitutions();
    PaintClock clock;
    for (const int rows : { 1000, 30000, 100000 }) {
        testing_support::TestData data;
        DataModule6 = new TDataModule6;
        const QString iconRoot = data.path(QStringLiteral("iconos"));
        QElapsedTimer filling;
        filling.start();
        fillStore(iconRoot, 50, rows);
        std::printf("%d result rows written in %.1f s\n", rows, msSince(filling) / 1000);
        DurableInsert durable(
            data.directory(), vdb::loadBitmapFile(QDir(iconRoot).filePath(QStringLiteral("1/1.bmp"))));
        const RunFigures run = takeSurvey(clock, durable);
        const double floor = durable.backToBack();
        const double click = median(run.clicks);
        const QByteArray name = QStringLiteral("click: release to next notice painted, %L1 rows").arg(rows).toUtf8();
        if (rows == 30000)
            figure(name.constData(), click, "ms", "< 8 ms", click < 8, floor);
        else if (rows == 100000)
            figure(name.constData(), click, "ms", "< 1.5x floor", click < 1.5 * floor, floor);
        else
            figure(name.constData(), click, "ms", "-", true, floor);
        figure(QStringLiteral("click's floor taken between the clicks, %L1 rows").arg(rows).toUtf8().constData(),
            median(durable.betweenClicks), "ms", "-", true);
        if (rows == 1000) {
            const double window = median(run.iconWindows);
            const double plain = plainWindowMs(clock, QDir(iconRoot).filePath(QStringLiteral("1")));
            figure("icon window: creation to first paint", window, "ms", "< 2 ms and < 1.3x floor",
                window < 2 && window < 1.3 * plain, plain);
            figure("click's window change alone: plain windows", plainWindowChangeMs(clock), "ms", "-", true);
        }
        delete DataModule6;
        DataModule6 = nullptr;
    }
    return 0;
}
