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
    void statementsBindTheirValues();
};

void TestReportQueries::mostAppropriate_data()
{
    QTest::addColumn<std::vector<IconTally>>("rows"); // in icon order: {Rep_icono, Promedio}
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("average");
    QTest::addColumn<QString>("error");
    using T = std::vector<IconTally>;
    const QString bad = QStringLiteral("'%1' is not a valid integer value");
    QTest::newRow("worked example: icons 2, 4, 7, 9")
        << T { { "3", "5" }, { "5", "7" }, { "5", "4" }, { "1", "2" } } << 5 << 4 << QString();
    QTest::newRow("tie, faster comes first") << T { { "4", "2" }, { "4", "6" } } << 4 << 2 << QString();
    QTest::newRow("tie, faster comes later") << T { { "4", "6" }, { "4", "2" } } << 4 << 2 << QString();
    QTest::newRow("higher count beats faster")
        << T { { "2", "1" }, { "3", "30" }, { "2", "0" } } << 3 << 30 << QString();
    QTest::newRow("first row holds the best") << T { { "9", "1" }, { "3", "0" }, { "9", "2" } } << 9 << 1 << QString();
    QTest::newRow("numbers, not texts") << T { { "9", "1" }, { "10", "4" }, { "-1", "-7" } } << 10 << 4 << QString();
    QTest::newRow("no rows") << T {} << 0 << 0 << bad.arg("");
    QTest::newRow("blank count later") << T { { "1", "2" }, { "", "3" } } << 0 << 0 << bad.arg("");
    QTest::newRow("letters") << T { { "1", "x1" } } << 0 << 0 << bad.arg("x1");
    QTest::newRow("too big for 32 bits") << T { { "4294967296", "1" } } << 0 << 0 << bad.arg("4294967296");
}

void TestReportQueries::mostAppropriate()
{
    QFETCH(std::vector<IconTally>, rows);
    QFETCH(int, count);
    QFETCH(int, average);
    QFETCH(QString, error);
    try {
        const MostAppropriate best = mostAppropriateIcon(rows);
        QCOMPARE(best.repeticiones, count);
        QCOMPARE(best.promedio, average);
        QVERIFY(error.isNull());
    } catch (const vdb::Error& e) {
        QCOMPARE(e.text(), error);
    }
}

void TestReportQueries::statementsBindTheirValues()
{
    // Quotes in a question travel as a bound value, never in the text.
    const QString q = QStringLiteral("¿Qué \"icono\" es l'mejor?");
    const ReportStatement e = editionStatement(QStringLiteral("2"));
    QCOMPARE(e.values, QVariantList({ QStringLiteral("2") }));
    const ReportStatement s = questionStatement(QStringLiteral("2"), q);
    QCOMPARE(s.values, QVariantList({ QStringLiteral("2"), q }));
    QVERIFY(s.text.endsWith(QLatin1String(" Order By icono")));
    const ReportStatement i = iconStatement(QStringLiteral("2"), q, 5, -4);
    QCOMPARE(i.values, QVariantList({ QStringLiteral("2"), q, 5, -4 }));
    for (const ReportStatement& st : { e, s, i })
        QCOMPARE(st.text.count(QLatin1Char('?')), st.values.size());
}

QTEST_MAIN(TestReportQueries)
#include "tst_report_queries.moc"
