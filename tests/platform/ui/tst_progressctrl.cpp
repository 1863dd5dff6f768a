#include "platform/ui/CProgressCtrl.h"

#include <QProgressBar>
#include <QTest>
#include <memory>

class TestProgressCtrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void createsChildBar_data();
    void createsChildBar();
    void positionsStayInRange_data();
    void positionsStayInRange();
    void secondCreateReplacesTheBar();
    void destroysItsWindowOnce();
    void needsAParent();
    void outlivesItsParent();
};

void TestProgressCtrl::createsChildBar_data() {
    QTest::addColumn<QRect>("rect");
    QTest::newRow("after a 50-character label") << QRect(QPoint(300, 2), QPoint(395, 16));
    QTest::newRow("no label") << QRect(QPoint(2, 2), QPoint(395, 16));
    QTest::newRow("wider than the parent") << QRect(10, 2, 900, 15);
}

void TestProgressCtrl::createsChildBar() {
    QFETCH(QRect, rect);
    QWidget parent;
    parent.resize(400, 20);
    parent.show();
    CProgressCtrl progress;
    QCOMPARE(progress.GetSafeHwnd(), nullptr);
    QVERIFY(progress.Create(rect, &parent));
    QProgressBar* pBar = parent.findChild<QProgressBar*>(QStringLiteral("progressCtrl"));
    QVERIFY(pBar);
    QCOMPARE(progress.GetSafeHwnd(), pBar);
    QCOMPARE(pBar->parentWidget(), &parent);
    QCOMPARE(pBar->geometry(), rect);
    QVERIFY(pBar->isVisible());
    QVERIFY(!pBar->isTextVisible());
}

void TestProgressCtrl::positionsStayInRange_data() {
    QTest::addColumn<int>("nPos");
    QTest::addColumn<int>("nShown");
    QTest::newRow("start") << 0 << 0;
    QTest::newRow("middle") << 37 << 37;
    QTest::newRow("end") << 100 << 100;
    QTest::newRow("above the range") << 150 << 100;
    QTest::newRow("below the range") << -5 << 0;
}

void TestProgressCtrl::positionsStayInRange() {
    QFETCH(int, nPos);
    QFETCH(int, nShown);
    QWidget parent;
    CProgressCtrl progress;
    QVERIFY(progress.Create(QRect(2, 2, 100, 14), &parent));
    progress.SetRange(0, 100);
    QCOMPARE(progress.SetPos(12), progress.GetSafeHwnd()->minimum());
    QCOMPARE(progress.SetPos(nPos), 12);
    QCOMPARE(progress.GetSafeHwnd()->value(), nShown);
    QCOMPARE(progress.SetStep(1), 10);
    QCOMPARE(progress.SetStep(5), 1);
}

void TestProgressCtrl::secondCreateReplacesTheBar() {
    QWidget parent;
    CProgressCtrl progress;
    QVERIFY(progress.Create(QRect(2, 2, 100, 14), &parent));
    QPointer<QProgressBar> pFirst = progress.GetSafeHwnd();
    QVERIFY(progress.Create(QRect(20, 2, 50, 14), &parent));
    QVERIFY(pFirst.isNull());
    QCOMPARE(parent.findChildren<QProgressBar*>().size(), 1);
    QCOMPARE(progress.GetSafeHwnd()->geometry(), QRect(20, 2, 50, 14));
}

void TestProgressCtrl::destroysItsWindowOnce() {
    QWidget parent;
    CProgressCtrl progress;
    QVERIFY(!progress.DestroyWindow());
    QVERIFY(progress.Create(QRect(2, 2, 100, 14), &parent));
    QVERIFY(progress.DestroyWindow());
    QCOMPARE(progress.GetSafeHwnd(), nullptr);
    QVERIFY(parent.findChildren<QProgressBar*>().isEmpty());
    QVERIFY(!progress.DestroyWindow());
    // Without a window the control ignores positions.
    QCOMPARE(progress.SetPos(50), 0);
    progress.SetRange(0, 10);
}

void TestProgressCtrl::needsAParent() {
    CProgressCtrl progress;
    QVERIFY(!progress.Create(QRect(2, 2, 100, 14), nullptr));
    QCOMPARE(progress.GetSafeHwnd(), nullptr);
}

void TestProgressCtrl::outlivesItsParent() {
    CProgressCtrl progress;
    auto pParent = std::make_unique<QWidget>();
    QVERIFY(progress.Create(QRect(2, 2, 100, 14), pParent.get()));
    pParent.reset();
    QCOMPARE(progress.GetSafeHwnd(), nullptr);
    QVERIFY(!progress.DestroyWindow());
}

QTEST_MAIN(TestProgressCtrl)
#include "tst_progressctrl.moc"
