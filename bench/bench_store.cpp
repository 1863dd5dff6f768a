// Times the address store's operations on a 100,000-record Addresses.mdb on
// disk and sets each against the same work done with plain, prepared SQLite
// statements on the same file, with SQLite's default journal and synchronous
// settings, which the store keeps. Then the same operations on a team's
// PostgreSQL server (a server of the bench's own, as the tests start one)
// against plain libpq statements, and the table's fill (the count and the
// streamed SELECT of every record, each field read as the table shows it)
// through a relay with a 20 ms round trip, against one plain SELECT streamed
// with libpq through the same relay. Prints each figure and its ratio.
// BENCH_ONLY_SERVER=1 in the environment runs the server's part alone.

#include "engine/store/CAddressRecords.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/CTcpRelay.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
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

// One engine's plain statements for each case's work, and each case's
// target and rounds.
struct PlainCases {
    std::function<void()> count;
    std::function<void(const QString& strEMail)> find;
    std::function<void(const QStringList& texts)> insert;
    std::function<void(int nKey, const QStringList& texts)> update;
    std::function<void(int nKey)> erase;
};
struct Case {
    double dTarget;
    int nRounds;
};
struct Cases {
    Case count, find, add, update, erase;
};

// The store's operations on its open database, each against the plain
// statements of the same work in the same run.
void CompareStore(CAddressDatabase& store, const PlainCases& plain, const Cases& cases) {
    const QString strTable = store.m_schema.m_strTable;
    Compare(
        "CountRecords", "SELECT count(*)", cases.count.dTarget, cases.count.nRounds,
        [&](int) { store.CountRecords(strTable); }, [&](int) { plain.count(); });

    const QString strMissing = QStringLiteral("nobody@nowhere.invalid");
    Compare(
        "FindByEMail (not stored)", "SELECT ... WHERE EMail = ? LIMIT 1", cases.find.dTarget,
        cases.find.nRounds, [&](int) { store.FindByEMail(strMissing); },
        [&](int) { plain.find(strMissing); });

    const QString strShownDate = QString::fromLatin1(kShownDate);
    const QString strStoredDate = QString::fromLatin1(kStoredDate);
    Compare(
        "SaveRecord add", "INSERT, own transaction", cases.add.dTarget, cases.add.nRounds,
        [&](int nRound) {
            store.SaveRecord(QStringList{QStringLiteral("0")} +
                                 Texts(kRecords + 1 + nRound, strShownDate),
                             true);
        },
        [&](int nRound) { plain.insert(Texts(kRecords + 1 + nRound, strStoredDate)); });

    Compare(
        "SaveRecord update", "UPDATE, own transaction", cases.update.dTarget, cases.update.nRounds,
        [&](int nRound) {
            const int nKey = 10 + nRound;
            store.SaveRecord(QStringList{QString::number(nKey)} + Renamed(nKey, strShownDate),
                             false);
        },
        [&](int nRound) {
            const int nKey = 50000 + nRound;
            plain.update(nKey, Renamed(nKey, strStoredDate));
        });

    // 1,000 selected rows of a 100,000-row list; every answer is Yes.
    SetMessageBoxHandler([](const MessageBoxCall&) { return IDYES; });
    CListCtrl list;
    FillList(list);
    Compare(
        "DeleteSelected, 1,000 rows", "1,000 DELETEs by key, each own", cases.erase.dTarget,
        cases.erase.nRounds,
        [&](int nRound) {
            const int nFirst = 1000 + nRound * 10 * kDeletedRows;
            for (int nRow = nFirst; nRow < nFirst + kDeletedRows; ++nRow)
                list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED);
            store.DeleteSelected(&list);
        },
        [&](int nRound) {
            const int nFirstKey = 60000 + nRound * 10 * kDeletedRows;
            for (int nKey = nFirstKey; nKey < nFirstKey + kDeletedRows; ++nKey)
                plain.erase(nKey);
        });
    std::printf("\nrecords left: %d\n", store.CountRecords(strTable));
}

// The same work as plain libpq: prepared statements on a connection of its own.
constexpr char kPgCountSql[] = "SELECT count(*) FROM \"ADDRESSES\"";
constexpr char kPgFindSql[] =
    "SELECT \"ID_Address\" FROM \"ADDRESSES\" WHERE lower(\"EMail\" COLLATE \"C\") = "
    "lower($1::text COLLATE \"C\") LIMIT 1";
constexpr char kPgInsertSql[] =
    "INSERT INTO \"ADDRESSES\" (\"Date\", \"EMail\", \"Prefix\", \"Name\", \"Template\", "
    "\"MY_1\", \"MY_2\", \"MY_3\", \"MY_4\", \"MY_5\") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, "
    "$9, $10)";
constexpr char kPgUpdateSql[] =
    "UPDATE \"ADDRESSES\" SET \"Date\" = $1, \"EMail\" = $2, \"Prefix\" = $3, \"Name\" = $4, "
    "\"Template\" = $5, \"MY_1\" = $6, \"MY_2\" = $7, \"MY_3\" = $8, \"MY_4\" = $9, "
    "\"MY_5\" = $10 WHERE \"ID_Address\" = $11";
constexpr char kPgDeleteSql[] = "DELETE FROM \"ADDRESSES\" WHERE \"ID_Address\" = $1";
constexpr char kPgFillSql[] =
    "INSERT INTO \"ADDRESSES\" (\"Date\", \"EMail\", \"Prefix\", \"Name\", \"Template\", "
    "\"MY_1\", \"MY_2\", \"MY_3\", \"MY_4\", \"MY_5\") SELECT '2026-12-07', 'person' || n || "
    "'@example.com', 'Ms', 'Person ' || n, 'Offer.txt', 'first note', 'second note', ' ', ' ', "
    "'fifth note' FROM generate_series(1, 100000) n";
constexpr char kPgSelectSql[] = "SELECT * FROM \"ADDRESSES\" ORDER BY \"ID_Address\", \"Date\"";
// Each way through the relay: a round trip of 20 ms.
constexpr int kRelayDelayMs = 10;

class PgBaseline {
public:
    explicit PgBaseline(const QString& strUrl)
        : m_pConn(PQconnectdb(strUrl.toUtf8().constData())) {}
    ~PgBaseline() { PQfinish(m_pConn); }
    PgBaseline(const PgBaseline&) = delete;
    PgBaseline& operator=(const PgBaseline&) = delete;

    void Exec(const char* pSql) { Check(pSql, PQexec(m_pConn, pSql)); }
    void Prepare(const char* pName, const char* pSql) {
        Check(pSql, PQprepare(m_pConn, pName, pSql, 0, nullptr));
    }
    void Run(const char* pName, const QStringList& texts) {
        QList<QByteArray> utf8;
        std::vector<const char*> values;
        for (const QString& strText : texts)
            utf8.append(strText.toUtf8());
        for (const QByteArray& value : std::as_const(utf8))
            values.push_back(value.constData());
        Check(pName, PQexecPrepared(m_pConn, pName, int(values.size()), values.data(), nullptr,
                                    nullptr, 0));
    }

    // One SELECT, its rows read one by one as they come, every value as text.
    int Stream(const char* pSql) {
        int nRows = 0;
        PQsendQuery(m_pConn, pSql);
        PQsetSingleRowMode(m_pConn);
        while (PGresult* pResult = PQgetResult(m_pConn)) {
            if (PQresultStatus(pResult) == PGRES_SINGLE_TUPLE) {
                QString strLast;
                for (int nField = 0; nField < PQnfields(pResult); ++nField)
                    strLast = QString::fromUtf8(PQgetvalue(pResult, 0, nField),
                                                PQgetlength(pResult, 0, nField));
                nRows += strLast.isEmpty() ? 0 : 1;
            }
            PQclear(pResult);
        }
        return nRows;
    }

private:
    void Check(const char* pWhat, PGresult* pResult) {
        const ExecStatusType status = PQresultStatus(pResult);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            std::fprintf(stderr, "%s: %s\n", pWhat, PQerrorMessage(m_pConn));
        PQclear(pResult);
    }

    PGconn* m_pConn;
};

// What the table window's fill asks of the store: the count, then every
// record from one SELECT, each field's value read (showing it is the
// window's work, which bench_tables measures).
int StoreFill(CDaoDatabase& database, const CTableSchema& schema) {
    CAddressRecords(&database, schema).Count();
    CDaoRecordset recordset(&database);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                   QStringLiteral("SELECT * FROM %1 ORDER BY %2, %3;")
                       .arg(schema.m_strTable, schema.m_arrName[0], schema.m_arrName[1]));
    int nRows = 0;
    for (; !recordset.IsEOF(); recordset.MoveNext()) {
        QVariant last;
        for (int nField = 0; nField < schema.m_nFields; ++nField)
            last = recordset.GetFieldValue(nField);
        nRows += last.isNull() ? 0 : 1;
    }
    return nRows;
}

// The store's fill and the plain streamed SELECT, each on a connection of
// its own to the Url.
void CompareFill(const char* pName, const QString& strUrl, const CTableSchema& schema) {
    CDaoDatabase database;
    database.OpenServer(strUrl);
    PgBaseline plain(strUrl);
    Compare(
        pName, "one SELECT, streamed", 2.0, 3, [&](int) { StoreFill(database, schema); },
        [&](int) { plain.Stream(kPgSelectSql); });
}

// The store's cases on the server, each against plain libpq statements
// doing the same work on the same server in the same run. The server syncs
// every commit to disk, as a team's server does.
int RunServer() {
    CPgTestServer server(CPgTestServer::Durable);
    if (!server.IsReady()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(server.Error()));
        return 1;
    }
    CProfileSettings::WriteProfileValue(CProfileSettings::kSectionDatabase,
                                        CProfileSettings::kKeyUrl, server.Url());
    CAddressDatabase store;
    if (!store.OpenOrCreate())
        return 1;
    PgBaseline baseline(server.Url());
    baseline.Exec(kPgFillSql);
    baseline.Exec("VACUUM ANALYZE \"ADDRESSES\"");
    std::printf("\n%d records in %s (PostgreSQL)\n\n", kRecords,
                qPrintable(store.m_pCDaoDatabase->GetName()));

    baseline.Prepare("count", kPgCountSql);
    baseline.Prepare("find", kPgFindSql);
    baseline.Prepare("insert", kPgInsertSql);
    baseline.Prepare("update", kPgUpdateSql);
    baseline.Prepare("delete", kPgDeleteSql);
    const PlainCases plain{[&] { baseline.Run("count", {}); },
                           [&](const QString& strEMail) { baseline.Run("find", {strEMail}); },
                           [&](const QStringList& texts) { baseline.Run("insert", texts); },
                           [&](int nKey, const QStringList& texts) {
                               baseline.Run("update", QStringList(texts) << QString::number(nKey));
                           },
                           [&](int nKey) { baseline.Run("delete", {QString::number(nKey)}); }};
    CompareStore(store, plain, {{1.5, 30}, {1.5, 30}, {1.5, 200}, {1.5, 200}, {1.5, 2}});

    CompareFill("Table fill, local", server.Url(), store.m_schema);
    CTcpRelay relay(server.Port(), kRelayDelayMs);
    std::printf("\nthrough a relay with a %d ms round trip:\n", 2 * kRelayDelayMs);
    CompareFill("Table fill, all records",
                QStringLiteral("postgresql://corvane@127.0.0.1:%1/corvane").arg(relay.Port()),
                store.m_schema);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const bool bOnlyServer = qEnvironmentVariableIsSet("BENCH_ONLY_SERVER");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_store-XXXXXX")));
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 1;
    // Settings of the bench's own: no server Url of the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    if (bOnlyServer)
        return RunServer();
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

    sqlite3_stmt* pCount = baseline.Prepare(kCountSql);
    sqlite3_stmt* pFind = baseline.Prepare(kFindSql);
    sqlite3_stmt* pInsert = baseline.Prepare(kInsertSql);
    sqlite3_stmt* pUpdate = baseline.Prepare(kUpdateSql);
    sqlite3_stmt* pDelete = baseline.Prepare(kDeleteSql);
    const PlainCases plain{[&] { Baseline::Run(pCount); },
                           [&](const QString& strEMail) {
                               Baseline::BindTexts(pFind, {strEMail});
                               Baseline::Run(pFind);
                           },
                           [&](const QStringList& texts) {
                               Baseline::BindTexts(pInsert, texts);
                               Baseline::Run(pInsert);
                           },
                           [&](int nKey, const QStringList& texts) {
                               Baseline::BindTexts(pUpdate, texts);
                               sqlite3_bind_int(pUpdate, 11, nKey);
                               Baseline::Run(pUpdate);
                           },
                           [&](int nKey) {
                               sqlite3_bind_int(pDelete, 1, nKey);
                               Baseline::Run(pDelete);
                           }};
    CompareStore(store, plain, {{2.0, 200}, {1.5, 30}, {2.0, 100}, {2.0, 100}, {1.5, 2}});
    return RunServer();
}
