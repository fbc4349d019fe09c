// The run state's question list and the icon file name rule.

#include "shell/run_state.h"

#include <QtTest>

class TstRunState : public QObject
{
    Q_OBJECT

private slots:
    void questionListEntries()
    {
        QuestionList list;
        const QString wide(400, QLatin1Char('w'));
        list.replace({ "uno", " ", wide, "dos\ntres" });
        QCOMPARE(list.entry(2), wide); // never wrapped or split
        QCOMPARE(list.entry(3), QStringLiteral("dos\ntres"));
        QCOMPARE(list.entry(4), QString());
        QCOMPARE(list.entry(-1), QString());
        list.replace({ "solo" });
        QCOMPARE(list.entry(1), QString());
    }

    void iconFileName_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "/datos/iconos" << 12 << "/datos/iconos\\12.bmp"
                               << "/datos/iconos/12.bmp";
        QTest::newRow("trailing backslash") << "C:\\iconos\\" << 1 << "C:\\iconos\\\\1.bmp"
                                            << "C:/iconos//1.bmp";
        QTest::newRow("empty") << "" << 100 << "\\100.bmp"
                               << "/100.bmp";
        QTest::newRow("blank kept") << " /x " << 2 << " /x \\2.bmp"
                                    << " /x /2.bmp";
    }
    void iconFileName()
    {
        QFETCH(QString, dir);
        QFETCH(int, icon);
        QFETCH(QString, name);
        QFETCH(QString, path);
        DirIconos = dir;
        QCOMPARE(::iconFileName(icon), name);
        QCOMPARE(iconFilePath(::iconFileName(icon)), path);
    }
};

QTEST_MAIN(TstRunState)
#include "tst_run_state.moc"
