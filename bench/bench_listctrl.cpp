// Times the list control with 100,000 rows of 11 columns on a private X
// server (Xvfb), where every paint really reaches a display:
//   the control alone: its bulk operations and the memory a filled row takes;
//   Corvane's table window, with the main window's status bar shown, doing
//   what a user does to many rows at once: Ctrl+A, Shift+End from the first
//   row, a click that clears a select-all and Delete Address(es) of 10,000
//   rows. Each is set against the same selection on a plain QTableView over
//   a model of the same rows, in a window with a status bar, in the same run
//   (for the delete: that view losing the rows at once after plain SQLite
//   deleted the same keys in one transaction), which is the limit. The
//   times run from the key or click until the window has painted.

#include "BenchAddressFile.h"
#include "BenchCorvane.h"
#include "CXvfbServer.h"
#include "app/CMainFrame.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/CListModel.h"
#include "res/Resource.h"
#include "views/CListView_Table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 11;
constexpr int kPoolSize = 4096;
constexpr int kDeletedRows = 10000;
constexpr int kRuns = 3;
constexpr double kTargetSeconds = 0.3;
constexpr double kDeleteTargetSeconds = 2.0;

// Resident memory in bytes, from /proc/self/statm.
qint64 ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Texts of 10 to 40 characters, drawn from a fixed seed.
QStringList TextPool() {
    QRandomGenerator random(1234);
    QStringList pool;
    for (int i = 0; i < kPoolSize; ++i) {
        QString strText(random.bounded(10, 41), Qt::Uninitialized);
        for (QChar& ch : strText)
            ch = QChar(u'a' + random.bounded(26));
        pool << strText;
    }
    return pool;
}

// Processor time of this thread, in milliseconds: unlike the wall-clock time
// it does not grow when other programs share the processor.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

class Stopwatch {
public:
    void Start() {
        m_timer.start();
        m_dCpuStart = CpuMilliseconds();
    }
    double WallMs() const { return m_timer.nsecsElapsed() / 1e6; }
    double CpuMs() const { return CpuMilliseconds() - m_dCpuStart; }
    void Report(const char* pszWhat) const {
        std::printf("%-46s %9.1f ms wall %9.1f ms cpu\n", pszWhat, WallMs(), CpuMs());
    }

private:
    QElapsedTimer m_timer;
    double m_dCpuStart = 0;
};

// As a fill does it: one row, then its other ten cells, then its number.
void Fill(CListCtrl& list, const QStringList& pool) {
    int nText = 0;
    for (int nRow = 0; nRow < kRows; ++nRow) {
        list.InsertItem(nRow, pool[nText++ % kPoolSize]);
        for (int nCol = 1; nCol < kColumns; ++nCol)
            list.SetItemText(nRow, nCol, pool[nText++ % kPoolSize]);
        list.SetItemData(nRow, quintptr(nRow));
    }
}

void SelectAll(CListCtrl& list) {
    for (int nRow = 0; nRow < list.GetItemCount(); ++nRow)
        list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
}

// As the store's delete does it: always the first selected row, from the top.
void DeleteSelected(CListCtrl& list, int nLimit) {
    for (int nRow = list.GetNextItem(-1, LVNI_SELECTED); nRow != -1 && nLimit-- > 0;
         nRow = list.GetNextItem(-1, LVNI_SELECTED))
        list.DeleteItem(nRow);
}

constexpr int kSortColumn = 4;

int CompareAscending(quintptr lParam1, quintptr lParam2, quintptr lParamSort) {
    const auto* pList = reinterpret_cast<const CListCtrl*>(lParamSort);
    return pList->GetItemText(int(lParam1), kSortColumn)
               .compare(pList->GetItemText(int(lParam2), kSortColumn)) > 0;
}

int CompareDataDescending(quintptr lParam1, quintptr lParam2, quintptr) {
    return lParam1 < lParam2;
}

void ControlAlone() {
    const QStringList pool = TextPool();
    CListCtrl list;
    list.resize(800, 600);
    for (int nCol = 0; nCol < kColumns; ++nCol)
        list.InsertColumn(nCol, QStringLiteral("Column %1").arg(nCol), LVCFMT_LEFT, 100);
    int nNotifications = 0;
    QObject::connect(&list, &CListCtrl::itemChanged, &list, [&] { ++nNotifications; });
    Stopwatch timer;

    const qint64 nBefore = ResidentBytes();
    timer.Start();
    Fill(list, pool);
    QCoreApplication::processEvents();
    timer.Report("fill 100,000 rows x 11 columns (hidden)");
    const qint64 nAfter = ResidentBytes();
    std::printf("%-46s %9.0f bytes\n", "resident memory per row after the fill",
                double(nAfter - nBefore) / kRows);

    timer.Start();
    list.SortItems(CompareAscending, reinterpret_cast<quintptr>(&list));
    for (int nRow = 0; nRow < list.GetItemCount(); ++nRow)
        list.SetItemData(nRow, quintptr(nRow));
    QCoreApplication::processEvents();
    timer.Report("sort by one column and renumber (hidden)");

    timer.Start();
    list.SortItems(CompareDataDescending, 0);
    QCoreApplication::processEvents();
    timer.Report("sort by item data only (the control's share)");

    list.show();
    QCoreApplication::processEvents();
    timer.Start();
    SelectAll(list);
    QCoreApplication::processEvents();
    timer.Report("select all row by row (shown, notified)");
    std::printf("%-46s %9d\n", "notifications", nNotifications);

    list.hide();
    timer.Start();
    DeleteSelected(list, 1000);
    QCoreApplication::processEvents();
    timer.Report("delete 1,000 selected rows (hidden)");

    timer.Start();
    DeleteSelected(list, kRows);
    QCoreApplication::processEvents();
    timer.Report("delete all 99,000 selected rows (hidden)");

    Fill(list, pool);
    for (int nRow = 0; nRow < kRows; nRow += 100)
        list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
    timer.Start();
    DeleteSelected(list, kRows);
    QCoreApplication::processEvents();
    timer.Report("delete 1,000 scattered selected rows (hidden)");
    std::printf("%-46s %9d\n", "rows left", list.GetItemCount());
}

// Until the window has painted what the last input changed, and the X
// server has taken it.
void Settle() {
    QCoreApplication::processEvents();
    QGuiApplication::sync();
    QCoreApplication::processEvents();
}

struct Timing {
    double dWall = 1e300;
    double dCpu = 1e300;

    void Keep(const Stopwatch& timer) {
        dWall = std::min(dWall, timer.WallMs());
        dCpu = std::min(dCpu, timer.CpuMs());
    }
};

// The best of kRuns: prepare is not timed, work is, until the window settles.
Timing BestOf(const std::function<void()>& prepare, const std::function<void()>& work) {
    Timing best;
    Stopwatch timer;
    for (int nRun = 0; nRun < kRuns; ++nRun) {
        prepare();
        Settle();
        timer.Start();
        work();
        Settle();
        best.Keep(timer);
    }
    return best;
}

void Report(const char* pszWhat, const Timing& corvane, const Timing& plain,
            double dTargetSeconds) {
    const bool bMet = corvane.dWall <= dTargetSeconds * 1000;
    std::printf("%-32s %8.1f ms wall %8.1f ms cpu  plain %7.1f ms wall %7.1f ms cpu  "
                "ratio %6.2f  (target %.1f s) %s\n",
                pszWhat, corvane.dWall, corvane.dCpu, plain.dWall, plain.dCpu,
                corvane.dWall / plain.dWall, dTargetSeconds, bMet ? "ok" : "MISSED");
}

QPoint RowPoint(QTableView* pView, int nRow) {
    return pView->visualRect(pView->model()->index(nRow, 2)).center();
}

void ClickRow(QTableView* pView, int nRow) {
    QTest::mouseClick(pView->viewport(), Qt::LeftButton, {}, RowPoint(pView, nRow));
}

// The first row alone selected, and in sight.
void ClickFirstRow(QTableView* pView) {
    pView->scrollToTop();
    ClickRow(pView, 0);
}

// A plain QTableView over a model of the rows of a table window, in a window
// of the same size with a status bar.
class PlainWindow {
public:
    explicit PlainWindow(const CListView_Table& table) {
        m_model.BeginBatch();
        for (int nColumn = 0; nColumn < table.GetHeaderItemCount(); ++nColumn)
            m_model.InsertColumn(nColumn,
                                 table.model()->headerData(nColumn, Qt::Horizontal).toString(),
                                 Qt::AlignLeft);
        for (int nRow = 0; nRow < table.GetItemCount(); ++nRow) {
            m_model.InsertRow(nRow, table.GetItemText(nRow, 0));
            for (int nColumn = 1; nColumn < table.GetHeaderItemCount(); ++nColumn)
                m_model.SetCellText(nRow, nColumn, table.GetItemText(nRow, nColumn));
        }
        m_model.EndBatch();
        m_pView = new QTableView(&m_window);
        m_pView->setModel(&m_model);
        m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_pView->setEditTriggers(QAbstractItemView::NoEditTriggers);
        for (int nColumn = 0; nColumn < table.GetHeaderItemCount(); ++nColumn)
            m_pView->setColumnWidth(nColumn, table.columnWidth(nColumn));
        m_window.setCentralWidget(m_pView);
        m_window.statusBar()->showMessage(QStringLiteral(" "));
        m_window.resize(table.size() + QSize(0, m_window.statusBar()->sizeHint().height()));
        m_window.show();
    }

    QTableView* View() const { return m_pView; }

    // Plain SQLite deletes the keys, and the view loses their rows at once.
    void DeleteRows(const QString& strPath, const QList<int>& rows, const QList<qint64>& keys) {
        DeleteKeysPlainly(strPath, keys);
        m_model.BeginBatch();
        for (auto row = rows.crbegin(); row != rows.crend(); ++row)
            m_model.RemoveRow(*row);
        m_model.EndBatch();
    }

private:
    QMainWindow m_window;
    CListModel m_model;
    QTableView* m_pView = nullptr;
};

// kDeletedRows rows spread evenly over the list, top to bottom.
QList<int> SpreadRows(int nCount) {
    QList<int> rows;
    for (int i = 0; i < kDeletedRows; ++i)
        rows << int(qint64(i) * nCount / kDeletedRows);
    return rows;
}

int TableWindow() {
    BenchCorvane corvane;
    if (!corvane.Start(kRows))
        return 1;
    CListView_Table* pTable = corvane.OpenTable(ID_SHOW_TABLE);
    if (pTable == nullptr || pTable->GetItemCount() != kRows ||
        !corvane.Frame()->m_wndStatusBar.isVisible())
        return 1;
    PlainWindow plain(*pTable);
    if (!QTest::qWaitForWindowExposed(plain.View()))
        return 1;
    QTableView* pPlain = plain.View();
    std::printf("table window of %d records, status bar shown\n", kRows);

    const auto selectAll = [](QTableView* pView) {
        QTest::keyClick(pView, Qt::Key_A, Qt::ControlModifier);
    };
    Report("Ctrl+A", BestOf([&] { ClickFirstRow(pTable); }, [&] { selectAll(pTable); }),
           BestOf([&] { ClickFirstRow(pPlain); }, [&] { selectAll(pPlain); }), kTargetSeconds);
    // The table's End goes to the last row; a plain table's needs Ctrl for it.
    Report("Shift+End from the first row",
           BestOf([&] { ClickFirstRow(pTable); },
                  [&] { QTest::keyClick(pTable, Qt::Key_End, Qt::ShiftModifier); }),
           BestOf([&] { ClickFirstRow(pPlain); },
                  [&] {
                      QTest::keyClick(pPlain, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
                  }),
           kTargetSeconds);
    Report("click that clears a select-all",
           BestOf(
               [&] {
                   ClickFirstRow(pTable);
                   selectAll(pTable);
               },
               [&] { ClickRow(pTable, 2); }),
           BestOf(
               [&] {
                   ClickFirstRow(pPlain);
                   selectAll(pPlain);
               },
               [&] { ClickRow(pPlain, 2); }),
           kTargetSeconds);

    // Delete Address(es) of 10,000 rows spread over the list, answered Yes,
    // against the same keys and rows of the plain table.
    Timing corvaneDelete;
    Timing plainDelete;
    Stopwatch timer;
    for (int nRun = 0; nRun < kRuns; ++nRun) {
        ClickFirstRow(pTable);
        pTable->SetItemState(0, 0, LVIS_SELECTED);
        const QList<int> rows = SpreadRows(pTable->GetItemCount());
        QList<qint64> keys;
        for (int nRow : rows) {
            keys << pTable->GetItemText(nRow, 0).toLongLong();
            pTable->SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
        }
        const int nBefore = pTable->GetItemCount();
        Settle();
        timer.Start();
        QTest::keyClick(pTable, Qt::Key_Delete);
        Settle();
        corvaneDelete.Keep(timer);
        timer.Start();
        plain.DeleteRows(corvane.PlainPath(), rows, keys);
        Settle();
        plainDelete.Keep(timer);
        if (pTable->GetItemCount() != nBefore - kDeletedRows ||
            pPlain->model()->rowCount() != pTable->GetItemCount())
            return 1;
    }
    Report("Delete Address(es), 10,000 rows", corvaneDelete, plainDelete, kDeleteTargetSeconds);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Each figure shows as soon as it is measured, also in a log file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const CXvfbServer server;
    if (!server.UseForThisProcess())
        return 1;
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    ControlAlone();
    return TableWindow();
}
