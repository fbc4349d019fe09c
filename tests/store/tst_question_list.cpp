// The question list of one survey as the survey list, the change-a-question
// dialog and the report choice fill it.

#include "store/data_module.h"
#include "tests/support/test_support.h"

#include <QtTest>

using testing_support::TestData;

class TstQuestionList : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_data = std::make_unique<TestData>();
        DataModule6 = new TDataModule6;
        vdb::Table* t = DataModule6->Table2;
        t->open();
        const QString longest(75, QLatin1Char('x'));
        const QList<std::pair<int, QString>> rows { { 2, "segunda, 1" }, { 1, "¿Cómo te sientes hoy?" },
            { 2, QString() }, { 1, QString() }, { 1, longest }, { 12, "doce" }, { 1, QString() },
            { 1, "  con blancos  " } };
        for (const auto& [edicion, text] : rows) {
            t->append();
            t->fieldByName("Edicion").setAsString(QString::number(edicion));
            t->fieldByName("Preguntas").setAsString(text);
            t->post();
        }
        t->close();
    }
    void cleanup()
    {
        delete DataModule6;
        DataModule6 = nullptr;
        m_data.reset();
    }

    void linesOfOneEdition_data()
    {
        QTest::addColumn<QString>("edicion");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("blank questions are one blank, order kept")
            << "1"
            << QStringList { "¿Cómo te sientes hoy?", " ", QString(75, QLatin1Char('x')), " ", "  con blancos  " };
        QTest::newRow("other edition") << "2" << QStringList { "segunda, 1", " " };
        QTest::newRow("two digits") << "12" << QStringList { "doce" };
        QTest::newRow("no questions") << "5" << QStringList {};
        QTest::newRow("no edition") << "" << QStringList {};
    }
    void linesOfOneEdition()
    {
        QFETCH(QString, edicion);
        QFETCH(QStringList, lines);
        QCOMPARE(questionLines(edicion), lines);
        // Left open on the result for the caller.
        QVERIFY(DataModule6->Query1->active());
        QCOMPARE(DataModule6->Query1->recordCount(), lines.size());
    }

    void refillingReplacesThePreviousResult()
    {
        QCOMPARE(questionLines("2").size(), 2);
        QCOMPARE(questionLines("12"), QStringList { "doce" });
        DataModule6->Query1->first();
        QCOMPARE(DataModule6->Query1->fieldByName("preguntas").asString(), QStringLiteral("doce"));
    }

private:
    std::unique_ptr<TestData> m_data;
};

QTEST_MAIN(TstQuestionList)
#include "tst_question_list.moc"
