#include "BenchAddressFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <sqlite3.h>

namespace {

QByteArray RandomText(QRandomGenerator& random) {
    QByteArray text(random.bounded(10, 41), Qt::Uninitialized);
    for (char& ch : text)
        ch = char('a' + random.bounded(26));
    return text;
}

// One connection for the length of one piece of work.
class Connection {
public:
    explicit Connection(const QString& strPath) {
        if (sqlite3_open_v2(QFile::encodeName(strPath).constData(), &m_pDb, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(m_pDb);
            m_pDb = nullptr;
        }
    }
    ~Connection() { sqlite3_close(m_pDb); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* Db() const { return m_pDb; }
    bool Exec(const char* pszSql) const {
        return sqlite3_exec(m_pDb, pszSql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3* m_pDb = nullptr;
};

} // namespace

bool FillAddressFile(const QString& strPath, int nRecords, const QByteArray& rareText) {
    const Connection connection(strPath);
    if (connection.Db() == nullptr || !connection.Exec("BEGIN"))
        return false;
    sqlite3_stmt* pStmt = nullptr;
    sqlite3_prepare_v2(connection.Db(),
                       "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, "
                       "MY_3, MY_4, MY_5) VALUES ('2026-12-07 10:00:00', ?, ?, ?, 'offer.txt', ?, "
                       "?, ?, ?, ?)",
                       -1, &pStmt, nullptr);
    QRandomGenerator random(20261207);
    bool bDone = pStmt != nullptr;
    for (int nRecord = 0; bDone && nRecord < nRecords; ++nRecord) {
        for (int nParam = 1; nParam <= 8; ++nParam) {
            QByteArray text = RandomText(random);
            if (nParam == 1)
                text += "@example.com";
            if (nParam == 5 && nRecord % 100 == 0 && !rareText.isEmpty())
                text = "with " + rareText + " inside";
            sqlite3_bind_text(pStmt, nParam, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        bDone = sqlite3_step(pStmt) == SQLITE_DONE;
        sqlite3_reset(pStmt);
    }
    sqlite3_finalize(pStmt);
    return connection.Exec(bDone ? "COMMIT" : "ROLLBACK") && bDone;
}

bool DeleteKeysPlainly(const QString& strPath, const QList<qint64>& keys) {
    const Connection connection(strPath);
    if (connection.Db() == nullptr || !connection.Exec("BEGIN"))
        return false;
    sqlite3_stmt* pStmt = nullptr;
    sqlite3_prepare_v2(connection.Db(), "DELETE FROM ADDRESSES WHERE ID_Address = ?", -1, &pStmt,
                       nullptr);
    bool bDone = pStmt != nullptr;
    for (qsizetype i = 0; bDone && i < keys.size(); ++i) {
        sqlite3_bind_int64(pStmt, 1, keys[i]);
        bDone = sqlite3_step(pStmt) == SQLITE_DONE;
        sqlite3_reset(pStmt);
    }
    sqlite3_finalize(pStmt);
    return connection.Exec(bDone ? "COMMIT" : "ROLLBACK") && bDone;
}
