#include "ListView.h"
#include "ReportList.h"

#include <QApplication>
#include <QTest>
#include <QThread>

#include <memory>

using namespace platform;

class TestListView : public QObject
{
    Q_OBJECT
private slots:
    void rowsAndCount_data();
    void rowsAndCount();
    void workerUpdatesArriveInOrder();
};

void TestListView::rowsAndCount_data()
{
    QTest::addColumn<bool>("widget");
    QTest::newRow("memory") << false;
    QTest::newRow("report list") << true;
}

void TestListView::rowsAndCount()
{
    QFETCH(bool, widget);
    std::unique_ptr<ListView> list;
    if (widget) {
        auto* report = new ReportList;
        report->setColumns({{QStringLiteral("a"), 40}, {QStringLiteral("b"), 40}});
        list.reset(report);
    } else {
        list = std::make_unique<MemoryListView>();
    }
    QList<int> counts;
    list->setCountObserver([&](int n) { counts << n; });

    QCOMPARE(list->insertRow(0, QStringLiteral("first")), 0);
    QCOMPARE(list->insertRow(0, QStringLiteral("second")), 0);
    QCOMPARE(list->insertRow(99, QStringLiteral("last")), 2);
    list->setCell(0, 1, QStringLiteral("x"));
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(list->cell(0, 0), QStringLiteral("second"));
    QCOMPARE(list->cell(0, 1), QStringLiteral("x"));
    QCOMPARE(list->cell(1, 0), QStringLiteral("first"));
    QCOMPARE(list->cell(2, 0), QStringLiteral("last"));
    QCOMPARE(list->cell(7, 0), QString());
    QCOMPARE(counts, (QList<int>{1, 2, 3}));

    // The deletion notice comes before the row leaves, with the count it will have.
    list->deleteRow(1);
    QCOMPARE(list->cell(1, 0), QStringLiteral("last"));
    list->deleteAll();
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(counts, (QList<int>{1, 2, 3, 2, 1, 0}));
}

void TestListView::workerUpdatesArriveInOrder()
{
    ReportList list;
    list.setColumns({{QStringLiteral("序号"), 40}});
    QString lastSeenByWorker;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 1; i <= 50; ++i)
            list.insertRow(0, QString::number(i));
        // Synchronous: the worker reads back what it wrote.
        lastSeenByWorker = list.cell(0, 0);
    }));
    worker->start();
    QTRY_VERIFY(worker->isFinished());
    QCOMPARE(lastSeenByWorker, QStringLiteral("50"));
    QCOMPARE(list.rowCount(), 50);
    QCOMPARE(list.cell(49, 0), QStringLiteral("1"));
}

QTEST_MAIN(TestListView)
#include "testlistview.moc"
