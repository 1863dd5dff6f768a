#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sqlite3.h>

// Stands between SQLite and the disk while it lives, as the default file
// system of new connections. A write transaction ends by deleting its
// rollback journal, and when it commits that deletion is the commit itself;
// the watch counts those ends, and keeps the files as they are just before
// the first: what a crash at that instant leaves on the disk.
class CommitWatch {
public:
    CommitWatch() : m_pDisk(sqlite3_vfs_find(nullptr)), m_vfs(*m_pDisk) {
        m_vfs.zName = "commit_watch";
        m_vfs.xDelete = &CommitWatch::Delete;
        s_pWatch = this;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    // Connections opened meanwhile must be closed first.
    ~CommitWatch() {
        sqlite3_vfs_unregister(&m_vfs);
        s_pWatch = nullptr;
    }
    CommitWatch(const CommitWatch&) = delete;
    CommitWatch& operator=(const CommitWatch&) = delete;

    int WriteTransactions() const { return m_nWriteTransactions; }

    QByteArray m_databaseBeforeFirstEnd;
    QByteArray m_journalBeforeFirstEnd;

private:
    static int Delete(sqlite3_vfs*, const char* pszName, int nSyncDir) {
        s_pWatch->Notice(QFile::decodeName(pszName));
        return s_pWatch->m_pDisk->xDelete(s_pWatch->m_pDisk, pszName, nSyncDir);
    }

    void Notice(const QString& strDeleted) {
        const QString strSuffix = QStringLiteral("-journal");
        if (!strDeleted.endsWith(strSuffix))
            return;
        if (m_nWriteTransactions++ == 0) {
            m_databaseBeforeFirstEnd = ReadAll(strDeleted.chopped(strSuffix.size()));
            m_journalBeforeFirstEnd = ReadAll(strDeleted);
        }
    }

    static QByteArray ReadAll(const QString& strPath) {
        QFile file(strPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static inline CommitWatch* s_pWatch = nullptr;
    sqlite3_vfs* m_pDisk;
    sqlite3_vfs m_vfs;
    int m_nWriteTransactions = 0;
};
