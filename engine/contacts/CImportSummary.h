#pragma once

#include "engine/contacts/CRefusedRow.h"

#include <QList>
#include <QString>
#include <QStringList>

// What an import did: records added and updated, rows skipped as twins, rows
// refused with their reasons.
class CImportSummary {
public:
    // True when the import added or updated at least one record.
    bool AnythingDone() const { return m_nAdded + m_nUpdated > 0; }
    int RefusedCount() const;
    // The counts, then the first nMaxListed rows not imported with their reasons.
    QString Text(int nMaxListed) const;
    // Writes the refused rows (not the twins) as a UTF-8 CSV file with the
    // file's own header and a "Reason" column, to be fixed and imported
    // again. Throws CContactError when the file cannot be written.
    void SaveRefused(const QString& strPath) const;

    int m_nAdded = 0;
    int m_nUpdated = 0;
    int m_nDuplicates = 0;
    bool m_bCancelled = false;
    QStringList m_headers;
    QList<CRefusedRow> m_notImported;
};
