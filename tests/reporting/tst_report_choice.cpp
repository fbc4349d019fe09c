// The report choice window, the most appropriate icon, and answers to question and edition reports.

#include "administration/answer_recording.h"
#include "platform/report/preview.h"
#include "platform/ui/fonts.h"
#include "reporting/report_choice.h"
#include "reporting/report_form.h"
#include "reporting/report_queries.h"
#include "shell/run_state.h"
#include "tests/support/test_support.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QWindow>
#include <QtTest>

using namespace testing_support;
using Nav = vui::DBNavigator;
Q_DECLARE_METATYPE(std::vector<IconTally>)

namespace {

// What one preview showed: its pages as drawn, and its owner as the window system sees it.
struct Shown
{
    QWindow* owner = nullptr;
    std::vector<vrep::PreparedPage> pages;

    // Line i joins the i-th text of each part with '/'.
    QStringList lines(std::initializer_list<const char*> sources) const
    {
        QStringList out;
        for (const char* source : sources) {
            qsizetype i = 0;
            for (const auto& page : pages)
                for (const auto& item : page.items)
                    if (item.source == QLatin1String(source))
                        (i < out.size() ? out[i] += QLatin1Char('/') : out.emplace_back()) += item.text, ++i;
        }
        return out;
    }
};

// Presses "Siguente", reads the preview and closes it; anything else shows no pages.
Shown next(TForm9* w)
{
    Shown shown;
    whenModal([&shown](QWidget* modal) {
        if (auto* preview = qobject_cast<vrep::PreviewWindow*>(modal)) {
            shown.owner = preview->windowHandle()->transientParent();
            for (int p = 0; p < preview->pageCount(); ++p)
                shown.pages.push_back(*preview->report()->page(p));
            findButton(preview, QStringLiteral("Cerrar"))->click();
        }
    });
    if (!runAnswered([w] { w->BitBtn1->click(); }, 3000))
        shown.pages.clear();
    return shown;
}

// Title, list shown, survey, questions, text, "Siguente" and navigator enabled.
QString stateOf(TForm9* w)
{
    const bool combo = w->ComboBox1->isVisible();
    const char* list = combo ? "combo" : w->ListBox1->isVisible() ? "list" : "none";
    QStringList items;
    for (int i = 0; i < (combo ? w->ComboBox1->count() : w->ListBox1->count()); ++i)
        items << (combo ? w->ComboBox1->itemText(i) : w->ListBox1->item(i)->text());
    return QStringLiteral("%1|%2|ed %3|%4|'%5'|siguente %6|nav %7")
        .arg(w->GroupBox1->title(), list, w->DBEdit1->text(), items.join(QLatin1Char(';')), w->ComboBox1->currentText())
        .arg(w->BitBtn1->isEnabled())
        .arg(w->DBNavigator1->isEnabled());
}

} // namespace

class TestReportChoice : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModuleData> m_data;
    std::unique_ptr<QWidget> m_owner; // stands for the main window, owns the windows

    TForm9* open()
    {
        // As the main window opens it: tables open, the edition count set.
        DataModule6->Table1->open();
        DataModule6->Table3->open();
        EdicionActual = DataModule6->Table1->recordCount();
        auto* w = new TForm9(m_owner.get());
        if (!showActive(w))
            qWarning("the report choice did not become active");
        return w;
    }

private slots:
    void initTestCase() { vui::installFontSubstitutions(); }

    void init()
    {
        m_data = std::make_unique<ModuleData>();
        m_owner = std::make_unique<QWidget>();
        m_owner->show();
        Form10 = new TForm10(nullptr, false);
        writeSurvey(1, { QStringLiteral("¿Color favorito?"), QStringLiteral("¿Animal favorito?") });
        writeSurvey(2, { QStringLiteral("¿Fruta favorita?"), QStringLiteral("¿Deporte?"), QStringLiteral("¿Música?") });
        writeSurvey(3, {});
    }

    void cleanup()
    {
        m_owner.reset();
        delete std::exchange(Form10, nullptr);
        m_data.reset();
    }

    void mostAppropriate_data()
    {
        QTest::addColumn<std::vector<IconTally>>("rows"); // in icon order: {Rep_icono, Promedio}
        QTest::addColumn<QString>("best"); // "count average", or the error
        using T = std::vector<IconTally>;
        const QString bad = QStringLiteral("'%1' is not a valid integer value");
        QTest::newRow("worked example") << T { { "3", "5" }, { "5", "7" }, { "5", "4" }, { "1", "2" } } << "5 4";
        QTest::newRow("tie, faster first") << T { { "4", "2" }, { "4", "6" } } << "4 2";
        QTest::newRow("tie, faster later") << T { { "4", "6" }, { "4", "2" } } << "4 2";
        QTest::newRow("one more beats faster") << T { { "4", "1" }, { "5", "30" }, { "4", "0" } } << "5 30";
        QTest::newRow("numbers, not texts") << T { { "9", "1" }, { "10", "4" }, { "-1", "-7" } } << "10 4";
        QTest::newRow("32-bit limits") << T { { "2147483647", "-2147483648" } } << "2147483647 -2147483648";
        QTest::newRow("one above 32 bits") << T { { "2147483648", "1" } } << bad.arg("2147483648");
        QTest::newRow("one below 32 bits") << T { { "1", "-2147483649" } } << bad.arg("-2147483649");
        QTest::newRow("no rows") << T {} << bad.arg("");
        QTest::newRow("letters in a later row") << T { { "1", "2" }, { "x1", "3" } } << bad.arg("x1");
    }

    void mostAppropriate()
    {
        QFETCH(std::vector<IconTally>, rows);
        MostAppropriate best;
        const QString error = errorOf([&] { best = mostAppropriateIcon(rows); });
        QTEST(error.isEmpty() ? QStringLiteral("%1 %2").arg(best.repeticiones).arg(best.promedio) : error, "best");
    }

    void stateTable()
    {
        TForm9* w = open(); // with no report kind chosen
        QCOMPARE(stateOf(w), QStringLiteral("|none|ed 1||''|siguente 0|nav 0"));

        const QString colour = QStringLiteral("¿Color favorito?;¿Animal favorito?");
        const QString fruit = QStringLiteral("¿Fruta favorita?;¿Deporte?;¿Música?");
        const QString edition = QStringLiteral(" REPORTE POR EDICIÓN|list|ed %1|%2|'%3'|siguente %4|nav 1");
        const QString question = QStringLiteral(" REPORTE POR PREGUNTA|combo|ed %1|%2|'%3'|siguente %4|nav 1");
        auto press = [w](Nav::Button b) { return [w, b] { w->DBNavigator1->button(b)->click(); }; };
        // Keys go to the control that has the focus, as a keyboard's do.
        auto keys = [](const char* script) { return [script] { typeKeys(nullptr, QString::fromUtf8(script)); }; };
        auto onKind = [w](const char* script) {
            return [w, script] {
                DataModule6->Table1->last(); // the opener may leave the table anywhere
                w->RadioGroup1Item1->setFocus(Qt::TabFocusReason);
                typeKeys(nullptr, QLatin1String(script)); // an arrow chooses, even from no choice
            };
        };
        const std::vector<std::pair<std::function<void()>, QString>> steps {
            { onKind("<left>"), edition.arg(1).arg(colour, "").arg(1) },
            { press(Nav::nbLast), edition.arg(3).arg("", "").arg(1) },
            { press(Nav::nbPrior), edition.arg(2).arg(fruit, "").arg(1) },
            // "Siguente" had the focus, yet Enter back on the report kind does not press it.
            { keys("<tab><tab><btab><btab><enter>"), edition.arg(2).arg(fruit, "").arg(1) },
            { keys("<right>"), question.arg(1).arg(colour, "").arg(0) },
            // Typing enables "Siguente" and stays as typed; deleting it leaves it enabled.
            { keys("<tab>¿Co"), question.arg(1).arg(colour, "¿Co").arg(1) },
            { keys("<bs><bs><bs>"), question.arg(1).arg(colour, "").arg(1) },
            // A navigator press empties the text and disables it; Enter after "Cancelar" had the focus does nothing.
            { press(Nav::nbNext), question.arg(2).arg(fruit, "").arg(0) },
            { keys("<tab><btab><enter>"), question.arg(2).arg(fruit, "").arg(0) },
            { [w] { w->ComboBox1->setCurrentIndex(1); }, question.arg(2).arg(fruit, "¿Deporte?").arg(1) },
            { press(Nav::nbLast), question.arg(3).arg("", "").arg(0) },
            { onKind("<up>"), edition.arg(1).arg(colour, "").arg(1) },
        };
        for (const auto& [act, expected] : steps) {
            QVERIFY(runAnswered(act, 2000)); // a preview would fail here, a hidden window below
            QCOMPARE(stateOf(w), expected);
        }
        QTest::keyClick(w, Qt::Key_Escape); // presses "Cancelar"
        QVERIFY(!w->isVisible());
        // The navigator shows for two surveys, not for one.
        for (const bool shown : { true, false }) {
            DataModule6->Table1->last();
            DataModule6->Table1->deleteRecord();
            QCOMPARE(open()->DBNavigator1->isVisible(), shown);
        }
    }

    void middleSurveyRoad()
    {
        // Survey 4 of 5, among rows of the same question in an earlier and a later survey.
        const QString colour = QStringLiteral("¿Qué color le \"gusta\" más, l'azul?");
        const QString animal = QStringLiteral("¿Qué animal prefiere?");
        const auto bestIcon = [] { return DataModule6->Query3->fieldByName(QStringLiteral("Icono")).asString(); };
        writeSurvey(4, { colour, animal });
        writeSurvey(5, { colour });
        // An index over the fields, as older files have, must not reorder any listing.
        withTableFile(m_data->tablePath(QStringLiteral("tesis.DB")), [](QSqlDatabase& db) {
            execOn(db, QStringLiteral("CREATE INDEX tesis_campos ON tesis (Edicion, Pregunta, Icono, Tiempo)"));
        });
        DataModule6->Table3->open();
        const auto iconPicture = [](int icon) {
            QImage image(24, 24, QImage::Format_RGB32);
            image.fill(QColor::fromHsv((icon * 29) % 360, 255, 255));
            return image;
        };
        auto answer = [iconPicture](int edicion, const QString& q, int icon, int seconds) {
            accumulateAnswer(DataModule6->Table3, { edicion, q, icon }, QStringLiteral("0:0:%1:0").arg(seconds),
                iconPicture(icon), seconds);
        };
        answer(2, colour, 12, 1);
        // Each respondent answers both questions: (icon, seconds) per question.
        for (const auto& [icon1, s1, icon2, s2] : std::vector<std::array<int, 4>> { { 7, 4, 1, 2 }, { 3, 9, 1, 5 },
                 { 7, 2, 2, 1 }, { 12, 30, 1, 3 }, { 3, 3, 2, 8 }, { 7, 7, 4, 4 }, { 3, 1, 2, 2 }, { 1, 5, 1, 1 } }) {
            answer(4, colour, icon1, s1);
            answer(4, animal, icon2, s2);
        }
        answer(5, colour, 3, 1);
        // Icons 7 and 3 both chosen three times in 13 seconds: the row stored first wins, though numbered higher.
        openQuestionRows(QStringLiteral("4"), colour);
        QCOMPARE(bestIcon(), QStringLiteral("7"));
        answer(4, colour, 3, 0); // one more quick answer makes icon 3 the most chosen

        // Answered only in another survey, or typed with a blank more: error, window stays, icon query unchanged.
        TForm9* choice = open();
        choice->RadioGroup1Item1->click();
        for (const auto& [survey, text] :
            std::vector<std::pair<Nav::Button, QString>> { { Nav::nbLast, animal }, { Nav::nbPrior, colour + " " } }) {
            choice->DBNavigator1->button(survey)->click();
            choice->ComboBox1->setEditText(text);
            pressOnModal(QStringLiteral("OK"));
            QVERIFY(runAnswered([choice] { choice->BitBtn1->click(); }, 3000));
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(lastModalText()).arg(choice->isVisible()).arg(bestIcon()),
                QStringLiteral("'' is not a valid integer value 1 7"));
        }
        choice->ComboBox1->setCurrentIndex(0);
        const Shown question = next(choice);
        QCOMPARE(question.pages.size(), 1u);
        QVERIFY(question.owner == m_owner->windowHandle() && !choice->isVisible()); // the choice gives way to it
        // Per icon: number, times chosen, average seconds; then the summary, the charts and the best picture.
        const QString c = "4/" + colour + "/";
        QCOMPARE(question.lines({ "QRDBText1", "QRDBText2", "QRDBText3", "QRDBText5", "QRDBText4" }),
            QStringList({ c + "1/1/5", c + "3/4/3", c + "7/3/4", c + "12/1/30" }));
        QCOMPARE(
            question.lines({ "QRSysData1", "QRLabel5", "QRExpr1", "QRLabel10", "QRChart1", "QRChart2", "QRDBImage2" }),
            QStringList({ "Reporte por Pregunta/Número de Encuestas/9/El Icono más apropiado es:///" }));
        for (const auto& item : question.pages[0].items)
            if (item.source == QLatin1String("QRDBImage2"))
                QCOMPARE(item.picture.pixelColor(5, 5), iconPicture(3).pixelColor(5, 5));
        QVERIFY2(
            Form10->QRBand5->height() > Form10->QRDBImage2->geometry().bottom(), "the summary cuts its picture off");

        // By edition, in a new window: survey 4's distinct (question, icon) pairs as stored, no question summary.
        TForm9* again = open();
        for (QAbstractButton* b : std::initializer_list<QAbstractButton*> { again->RadioGroup1Item0,
                 again->DBNavigator1->button(Nav::nbLast), again->DBNavigator1->button(Nav::nbPrior) })
            b->click();
        again->ComboBox1->setEditText(QStringLiteral("ignored"));
        const Shown edition = next(again);
        QCOMPARE(
            edition.lines({ "QRSysData1", "QRLabel5", "QRExpr1", "QRChart1", "QRChart2", "QRDBImage2", "QRLabel10" }),
            QStringList({ "Reporte por Edición/Total de Registros/7" }));
        const QString a = "4/" + animal + "/";
        QCOMPARE(edition.lines({ "QRDBText1", "QRDBText2", "QRDBText3", "QRDBImage1" }),
            QStringList({ c + "7/", a + "1/", c + "3/", a + "2/", c + "12/", a + "4/", c + "1/" }));
    }
};

QTEST_MAIN(TestReportChoice)
#include "tst_report_choice.moc"
