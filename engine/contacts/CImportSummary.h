#pragma once

#include "engine/contacts/CImportNote.h"
#include "engine/contacts/CRefusedRow.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QTemporaryFile;

// What an import did: records added and updated, rows skipped as twins, rows
// refused with their reasons, rows taken with a change, and the lines read
// in another encoding than the file's. Its size is bounded whatever the file:
// it lists the first kMaxListed rows of each kind, and the refused rows'
// fields wait in a temporary file for SaveRefused.
class CImportSummary {
public:
    static constexpr qsizetype kMaxListed = 1000;

    // True when the import added or updated at least one record.
    bool AnythingDone() const { return m_nAdded + m_nUpdated > 0; }
    int RefusedCount() const { return m_nRefused; }
    // The counts, then the first nMaxListed rows not imported with their
    // reasons, then the rows taken with a change.
    QString Text(int nMaxListed) const;
    // Writes the refused rows (not the twins) as a UTF-8 CSV file with the
    // file's own header and a "Reason" column, to be fixed and imported
    // again. Throws CContactError when the file cannot be written.
    void SaveRefused(const QString& strPath) const;

    // Counts and lists a row not imported; a refused row's fields are kept
    // for SaveRefused. Throws CContactError when they cannot be kept.
    void NotImported(const CRefusedRow& row, const QStringList& fields);
    void Note(qint64 nLine, const QString& strText);

    int m_nAdded = 0;
    int m_nUpdated = 0;
    int m_nDuplicates = 0;
    int m_nRefused = 0;
    bool m_bCancelled = false;
    QStringList m_headers;
    QList<CRefusedRow> m_notImported; // the first kMaxListed
    QList<CImportNote> m_notes;       // the first kMaxListed
    int m_nNotes = 0;
    QList<qint64> m_fallbackLines;    // the first of them
    qint64 m_nFallbackLines = 0;

private:
    std::shared_ptr<QTemporaryFile> m_pRefused; // their records, as CSV lines
};
