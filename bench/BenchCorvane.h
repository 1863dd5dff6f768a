#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class CCorvaneApp;
class CListView_Table;
class CMainFrame;

// Corvane as a user starts it, in a folder of its own whose Addresses.mdb the
// benches fill with records (see FillAddressFile), with a copy of the filled
// file, Plain.mdb, for the plain SQLite work to compare with. Message boxes
// are answered Yes or OK.
class BenchCorvane {
public:
    BenchCorvane();
    ~BenchCorvane();
    BenchCorvane(const BenchCorvane&) = delete;
    BenchCorvane& operator=(const BenchCorvane&) = delete;

    // Starts Corvane and then fills its file; false when either fails.
    bool Start(int nRecords, const QByteArray& rareText = {});

    QString FilePath(const QString& strName) const { return m_folder.filePath(strName); }
    QString Path() const { return FilePath(QStringLiteral("Addresses.mdb")); }
    QString PlainPath() const { return FilePath(QStringLiteral("Plain.mdb")); }
    CMainFrame* Frame() const;

    // The table view of the active child window, or null.
    CListView_Table* ActiveTable() const;
    // Runs a command that opens a table window and waits until it is shown;
    // null when none is.
    CListView_Table* OpenTable(unsigned nCommand) const;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<CCorvaneApp> m_pApp;
};
