// The about box: its layout and its one button.

#include "platform/ui/form.h"
#include "shell/about_box.h"
#include "tests/support/test_support.h"

#include <QLabel>
#include <QtTest>

using namespace testing_support;

class TestAboutBox : public QObject
{
    Q_OBJECT

private slots:
    void layout();
    void creditLines();
    void aceptarHidesTheBox_data();
    void aceptarHidesTheBox();
};

void TestAboutBox::layout()
{
    TForm11 box;
    QCOMPARE(box.size(), QSize(544, 375));
    const Qt::WindowFlags flags = box.windowFlags();
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(!(flags
        & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(box.Image1->geometry(), QRect(56, 32, 65, 65));
    QCOMPARE(box.Image1->pixmap().size(), QSize(65, 67));
    QVERIFY(box.Image1->alignment() & Qt::AlignCenter);
    QCOMPARE(box.Image2->geometry(), QRect(184, 16, 300, 100));
    QCOMPARE(box.Image2->pixmap().size(), QSize(300, 100));
    QCOMPARE(box.Bevel1->geometry(), QRect(48, 209, 433, 8));
    QCOMPARE(box.BitBtn1->geometry(), QRect(408, 288, 75, 25));
    QCOMPARE(box.BitBtn1->text(), QStringLiteral("Aceptar"));
    QCOMPARE(box.BitBtn1->kind(), vui::BitBtn::OK);
    QVERIFY(box.BitBtn1->isDefault());
}

void TestAboutBox::creditLines()
{
    TForm11 box;
    QList<QLabel*> credits;
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            credits << label;
    }
    QCOMPARE(credits.size(), 5);
    int above = 0;
    int smallestAbove = 1000;
    int largestBelow = 0;
    for (QLabel* label : credits) {
        const QRect g = label->geometry();
        QVERIFY2(g.top() >= 144 && g.bottom() <= 314, qPrintable(label->text()));
        QVERIFY2(g.left() >= 48 && g.right() <= 481, qPrintable(label->text()));
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().family(), QStringLiteral("Arial"));
        if (g.bottom() < box.Bevel1->y()) {
            ++above;
            smallestAbove = qMin(smallestAbove, label->font().pointSize());
        } else {
            QVERIFY(g.top() > box.Bevel1->geometry().bottom());
            largestBelow = qMax(largestBelow, label->font().pointSize());
        }
        // The box speaks of this program only.
        QVERIFY(!label->text().contains(QLatin1String("(c)"), Qt::CaseInsensitive));
    }
    QCOMPARE(above, 2);
    QVERIFY(smallestAbove > largestBelow);
}

void TestAboutBox::aceptarHidesTheBox_data()
{
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("click") << false;
    QTest::newRow("Enter") << true;
}

void TestAboutBox::aceptarHidesTheBox()
{
    QFETCH(bool, byEnter);
    TForm11 box;
    box.setWindowTitle(QStringLiteral(" Acerca de Vesmarin"));
    QString focused;
    whenModal([&](QWidget* modal) {
        focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        if (byEnter)
            QTest::keyClick(modal, Qt::Key_Return);
        else
            findButton(modal, QStringLiteral("Aceptar"))->click();
    });
    const int result = box.showModal();
    QCOMPARE(result, int(vui::mrOk));
    QVERIFY(!box.isVisible());
    QCOMPARE(focused, QStringLiteral("BitBtn1")); // first in tab order
}

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
