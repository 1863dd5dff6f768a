#include "engine/contacts/CImportSummary.h"

#include "engine/contacts/CCsvWriter.h"

#include <algorithm>

int CImportSummary::RefusedCount() const {
    return int(std::count_if(m_notImported.cbegin(), m_notImported.cend(),
                             [](const CRefusedRow& row) { return !row.bDuplicate; }));
}

QString CImportSummary::Text(int nMaxListed) const {
    QString strText = QStringLiteral("Added: %1\nUpdated: %2\nSkipped as duplicates: %3\nRefused: %4")
                          .arg(m_nAdded)
                          .arg(m_nUpdated)
                          .arg(m_nDuplicates)
                          .arg(RefusedCount());
    const qsizetype nListed = std::min<qsizetype>(nMaxListed, m_notImported.size());
    if (nListed > 0)
        strText += u'\n';
    for (qsizetype i = 0; i < nListed; ++i)
        strText += QStringLiteral("\nLine %1: %2")
                       .arg(m_notImported[i].nLine)
                       .arg(m_notImported[i].strReason);
    if (nListed < m_notImported.size())
        strText += QStringLiteral("\n... and %1 more.").arg(m_notImported.size() - nListed);
    return strText;
}

void CImportSummary::SaveRefused(const QString& strPath) const {
    CCsvWriter writer(strPath);
    writer.Write(QStringList(m_headers) << QStringLiteral("Reason"));
    for (const CRefusedRow& row : m_notImported)
        if (!row.bDuplicate)
            writer.Write(QStringList(row.fields) << row.strReason);
    writer.Commit();
}
