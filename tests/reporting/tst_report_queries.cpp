// The statements behind a report and the choice of the most appropriate icon.

#include "reporting/report_queries.h"

#include "platform/db/dataset.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::vector<IconTally>)

class TestReportQueries : public QObject
{
    Q_OBJECT

private slots:
    void mostAppropriate_data();
    void mostAppropriate();
    void noRowsFailsAsAConversion();
    void conversion_data();
    void conversion();
    void statementsBindTheirValues();
};

void TestReportQueries::mostAppropriate_data()
{
    QTest::addColumn<std::vector<IconTally>>("rows");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("average");
    // Rows in icon order: {Rep_icono, Promedio}.
    QTest::newRow("worked example: icons 2, 4, 7, 9")
        << std::vector<IconTally> { { "3", "5" }, { "5", "7" }, { "5", "4" }, { "1", "2" } } << 5 << 4;
    QTest::newRow("single answered icon") << std::vector<IconTally> { { "1", "8" } } << 1 << 8;
    QTest::newRow("tie, faster comes first") << std::vector<IconTally> { { "4", "2" }, { "4", "6" } } << 4 << 2;
    QTest::newRow("tie, faster comes later") << std::vector<IconTally> { { "4", "6" }, { "4", "2" } } << 4 << 2;
    QTest::newRow("higher count beats faster icons")
        << std::vector<IconTally> { { "2", "1" }, { "3", "30" }, { "2", "0" } } << 3 << 30;
    QTest::newRow("same count and average") << std::vector<IconTally> { { "2", "5" }, { "2", "5" } } << 2 << 5;
    QTest::newRow("first row holds the best")
        << std::vector<IconTally> { { "9", "1" }, { "3", "0" }, { "9", "2" } } << 9 << 1;
    QTest::newRow("negative numbers compare as numbers")
        << std::vector<IconTally> { { "-1", "-3" }, { "-1", "-7" } } << -1 << -7;
    QTest::newRow("numbers, not texts: 10 beats 9")
        << std::vector<IconTally> { { "9", "1" }, { "10", "4" } } << 10 << 4;
}

void TestReportQueries::mostAppropriate()
{
    QFETCH(std::vector<IconTally>, rows);
    QFETCH(int, count);
    QFETCH(int, average);
    const MostAppropriate best = mostAppropriateIcon(rows);
    QCOMPARE(best.repeticiones, count);
    QCOMPARE(best.promedio, average);
}

void TestReportQueries::noRowsFailsAsAConversion()
{
    try {
        mostAppropriateIcon({});
        QFAIL("no rows must fail");
    } catch (const vdb::Error& e) {
        QCOMPARE(e.text(), QStringLiteral("'' is not a valid integer value"));
    }
    // A blank count on a later row fails the same way.
    QVERIFY_THROWS_EXCEPTION(vdb::Error, mostAppropriateIcon({ { "1", "2" }, { "", "3" } }));
}

void TestReportQueries::conversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "42" << true << 42;
    QTest::newRow("negative") << "-7" << true << -7;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("letters") << "x1" << false << 0;
    QTest::newRow("too big for 32 bits") << "4294967296" << false << 0;
}

void TestReportQueries::conversion()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(wholeNumberOfText(text), value);
        return;
    }
    try {
        wholeNumberOfText(text);
        QFAIL("must fail");
    } catch (const vdb::Error& e) {
        QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

void TestReportQueries::statementsBindTheirValues()
{
    const QString q = QStringLiteral("¿Qué \"icono\" es l'mejor?");
    const ReportStatement e = editionStatement(QStringLiteral("2"));
    QCOMPARE(e.values, QVariantList({ QStringLiteral("2") }));
    QCOMPARE(e.text.count(QLatin1Char('?')), 1);
    const ReportStatement s = questionStatement(QStringLiteral("2"), q);
    QCOMPARE(s.values, QVariantList({ QStringLiteral("2"), q }));
    QVERIFY(s.text.endsWith(QLatin1String(" Order By icono")));
    QVERIFY(!s.text.contains(q));
    const ReportStatement i = iconStatement(QStringLiteral("2"), q, 5, -4);
    QCOMPARE(i.values, QVariantList({ QStringLiteral("2"), q, 5, -4 }));
    QCOMPARE(i.text.count(QLatin1Char('?')), 4);
}

QTEST_MAIN(TestReportQueries)
#include "tst_report_queries.moc"
