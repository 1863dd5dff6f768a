// Times the list control's bulk operations on 100,000 rows of 11 columns and
// measures the memory a filled row takes.

#include "platform/ui/CListCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 11;
constexpr int kPoolSize = 4096;

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
    void Report(const char* pszWhat) const {
        std::printf("%-46s %9.1f ms wall %9.1f ms cpu\n", pszWhat, m_timer.nsecsElapsed() / 1e6,
                    CpuMilliseconds() - m_dCpuStart);
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

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
    return 0;
}
