// Times the address store's operations on a 100,000-record Addresses.mdb on
// disk and sets each against the same work done with plain, prepared SQLite
// statements on the same file, with SQLite's default journal and synchronous
// settings, which the store keeps. Prints each figure and its ratio.

#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace {

constexpr int kRecords = 100000;
constexpr int kDeletedRows = 1000;

// The baseline: what each store operation amounts to in plain SQL.
constexpr char kCountSql[] = "SELECT count(*) FROM ADDRESSES";
constexpr char kFindSql[] =
    "SELECT ID_Address FROM ADDRESSES WHERE EMail = ? COLLATE NOCASE LIMIT 1";
constexpr char kInsertSql[] =
    "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, MY_5) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kUpdateSql[] =
    "UPDATE ADDRESSES SET Date = ?, EMail = ?, Prefix = ?, Name = ?, Template = ?, MY_1 = ?, "
    "MY_2 = ?, MY_3 = ?, MY_4 = ?, MY_5 = ? WHERE ID_Address = ?";
constexpr char kDeleteSql[] = "DELETE FROM ADDRESSES WHERE ID_Address = ?";

constexpr char kShownDate[] = "12/07/26";
constexpr char kStoredDate[] = "2026-12-07 00:00:00";

QString EMailOf(int nRecord) {
    return QStringLiteral("person%1@example.com").arg(nRecord);
}

// The ten texts of a record, Date to MY_5.
QStringList Texts(int nRecord, const QString& strDate) {
    return {strDate,
            EMailOf(nRecord),
            QStringLiteral("Ms"),
            QStringLiteral("Person %1").arg(nRecord),
            QStringLiteral("Offer.txt"),
            QStringLiteral("first note"),
            QStringLiteral("second note"),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral("fifth note")};
}

// The texts of a record with a new name: SQLite skips writing a record
// that does not change, so an update must change something to cost a save.
QStringList Renamed(int nRecord, const QString& strDate) {
    QStringList texts = Texts(nRecord, strDate);
    texts[3] = QStringLiteral("Renamed %1").arg(nRecord);
    return texts;
}

class Baseline {
public:
    explicit Baseline(const QString& strPath) {
        sqlite3_open_v2(QFile::encodeName(strPath).constData(), &m_pDb, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_busy_timeout(m_pDb, 3000);
    }
    ~Baseline() {
        for (sqlite3_stmt* pStmt : m_statements)
            sqlite3_finalize(pStmt);
        sqlite3_close(m_pDb);
    }

    sqlite3_stmt* Prepare(const char* pSql) {
        sqlite3_stmt* pStmt = nullptr;
        if (sqlite3_prepare_v2(m_pDb, pSql, -1, &pStmt, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "%s: %s\n", pSql, sqlite3_errmsg(m_pDb));
        m_statements.append(pStmt);
        return pStmt;
    }

    void Exec(const char* pSql) { sqlite3_exec(m_pDb, pSql, nullptr, nullptr, nullptr); }

    QString Pragma(const char* pSql) {
        sqlite3_stmt* pStmt = Prepare(pSql);
        sqlite3_step(pStmt);
        const QString strValue =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pStmt, 0)));
        sqlite3_reset(pStmt);
        return strValue;
    }

    static void BindTexts(sqlite3_stmt* pStmt, const QStringList& texts) {
        for (int i = 0; i < texts.size(); ++i) {
            const QByteArray utf8 = texts[i].toUtf8();
            sqlite3_bind_text(pStmt, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
    }

    static void Run(sqlite3_stmt* pStmt) {
        int nResult = SQLITE_ROW;
        while (nResult == SQLITE_ROW)
            nResult = sqlite3_step(pStmt);
        if (nResult != SQLITE_DONE)
            std::fprintf(stderr, "%s: %s\n", sqlite3_sql(pStmt), sqlite3_errstr(nResult));
        sqlite3_reset(pStmt);
    }

private:
    sqlite3* m_pDb = nullptr;
    QList<sqlite3_stmt*> m_statements;
};

void FillTable(Baseline& baseline) {
    baseline.Exec("BEGIN");
    sqlite3_stmt* pInsert = baseline.Prepare(kInsertSql);
    for (int nRecord = 1; nRecord <= kRecords; ++nRecord) {
        Baseline::BindTexts(pInsert, Texts(nRecord, QString::fromLatin1(kStoredDate)));
        Baseline::Run(pInsert);
    }
    baseline.Exec("COMMIT");
}

double Milliseconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Runs both sides nRounds times, alternating so that both meet the same disk.
void Compare(const char* pName, const char* pBaselineName, double dTarget, int nRounds,
             const std::function<void(int)>& store, const std::function<void(int)>& baseline) {
    double dStore = 0;
    double dBaseline = 0;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        dStore += Milliseconds([&] { store(nRound); });
        dBaseline += Milliseconds([&] { baseline(nRound); });
    }
    const double dRatio = dStore / dBaseline;
    std::printf("%-28s %10.3f ms   %-34s %10.3f ms   ratio %5.2f (target <= %.1f) %s\n", pName,
                dStore / nRounds, pBaselineName, dBaseline / nRounds, dRatio, dTarget,
                dRatio <= dTarget ? "ok" : "MISSED");
}

void FillList(CListCtrl& list) {
    list.InsertColumn(0, QStringLiteral("ID_Address"));
    list.InsertColumn(1, QStringLiteral("Date"));
    list.InsertColumn(2, QStringLiteral("EMail"));
    for (int nRow = 0; nRow < kRecords; ++nRow) {
        list.InsertItem(nRow, QString::number(nRow + 1));
        list.SetItemText(nRow, 2, EMailOf(nRow + 1));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_store-XXXXXX")));
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    CAddressDatabase store;
    if (!store.OpenOrCreate())
        return 1;
    Baseline baseline(QDir::current().filePath(store.m_schema.m_strFile));
    FillTable(baseline);
    std::printf("%d records in %s; journal_mode=%s synchronous=%s (SQLite's defaults, as in the "
                "store)\n\n",
                kRecords, qPrintable(dir.filePath(store.m_schema.m_strFile)),
                qPrintable(baseline.Pragma("PRAGMA journal_mode")),
                qPrintable(baseline.Pragma("PRAGMA synchronous")));

    const QString strTable = store.m_schema.m_strTable;
    sqlite3_stmt* pCount = baseline.Prepare(kCountSql);
    Compare(
        "CountRecords", "SELECT count(*)", 2.0, 200, [&](int) { store.CountRecords(strTable); },
        [&](int) { Baseline::Run(pCount); });

    const QString strMissing = QStringLiteral("nobody@nowhere.invalid");
    sqlite3_stmt* pFind = baseline.Prepare(kFindSql);
    Compare(
        "FindByEMail (not stored)", "SELECT ... WHERE EMail = ? LIMIT 1", 1.5, 30,
        [&](int) { store.FindByEMail(strMissing); },
        [&](int) {
            Baseline::BindTexts(pFind, {strMissing});
            Baseline::Run(pFind);
        });

    const QString strShownDate = QString::fromLatin1(kShownDate);
    const QString strStoredDate = QString::fromLatin1(kStoredDate);
    sqlite3_stmt* pInsert = baseline.Prepare(kInsertSql);
    Compare(
        "SaveRecord add", "INSERT, own transaction", 2.0, 100,
        [&](int nRound) {
            store.SaveRecord(QStringList{QStringLiteral("0")} +
                                 Texts(kRecords + 1 + nRound, strShownDate),
                             true);
        },
        [&](int nRound) {
            Baseline::BindTexts(pInsert, Texts(kRecords + 1 + nRound, strStoredDate));
            Baseline::Run(pInsert);
        });

    sqlite3_stmt* pUpdate = baseline.Prepare(kUpdateSql);
    Compare(
        "SaveRecord update", "UPDATE, own transaction", 2.0, 100,
        [&](int nRound) {
            const int nKey = 10 + nRound;
            store.SaveRecord(QStringList{QString::number(nKey)} + Renamed(nKey, strShownDate),
                             false);
        },
        [&](int nRound) {
            const int nKey = 50000 + nRound;
            Baseline::BindTexts(pUpdate, Renamed(nKey, strStoredDate));
            sqlite3_bind_int(pUpdate, 11, nKey);
            Baseline::Run(pUpdate);
        });

    // 1,000 selected rows of a 100,000-row list; every answer is Yes.
    SetMessageBoxHandler([](const MessageBoxCall&) { return IDYES; });
    CListCtrl list;
    FillList(list);
    sqlite3_stmt* pDelete = baseline.Prepare(kDeleteSql);
    Compare(
        "DeleteSelected, 1,000 rows", "1,000 DELETEs by key, each own", 1.5, 2,
        [&](int nRound) {
            const int nFirst = 1000 + nRound * 10 * kDeletedRows;
            for (int nRow = nFirst; nRow < nFirst + kDeletedRows; ++nRow)
                list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
            store.DeleteSelected(&list);
        },
        [&](int nRound) {
            const int nFirstKey = 60000 + nRound * 10 * kDeletedRows;
            for (int nKey = nFirstKey; nKey < nFirstKey + kDeletedRows; ++nKey) {
                sqlite3_bind_int(pDelete, 1, nKey);
                Baseline::Run(pDelete);
            }
        });
    std::printf("\nrecords left: %d\n", store.CountRecords(strTable));
    return 0;
}
