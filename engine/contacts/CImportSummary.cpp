#include "engine/contacts/CImportSummary.h"

#include "engine/contacts/CContactError.h"
#include "engine/contacts/CCsvWriter.h"

#include <QTemporaryFile>
#include <algorithm>

namespace {

QString NumberList(const QList<qint64>& numbers, qint64 nAll) {
    QStringList texts;
    for (const qint64 n : numbers)
        texts.append(QString::number(n));
    QString strList = texts.join(QStringLiteral(", "));
    if (nAll > numbers.size())
        strList += QStringLiteral(" and %1 more").arg(nAll - numbers.size());
    return strList;
}

} // namespace

QString CImportSummary::Text(int nMaxListed) const {
    QString strText = QStringLiteral("Added: %1\nUpdated: %2\nSkipped as duplicates: %3\nRefused: %4")
                          .arg(m_nAdded)
                          .arg(m_nUpdated)
                          .arg(m_nDuplicates)
                          .arg(m_nRefused);
    if (m_nFallbackLines > 0)
        strText += QStringLiteral("\nLines read as Windows-1252, not UTF-8: %1")
                       .arg(NumberList(m_fallbackLines, m_nFallbackLines));
    const qsizetype nNotImported = m_nRefused + m_nDuplicates;
    const qsizetype nListed = std::min<qsizetype>(nMaxListed, m_notImported.size());
    if (nListed > 0)
        strText += u'\n';
    for (qsizetype i = 0; i < nListed; ++i)
        strText += QStringLiteral("\nLine %1: %2")
                       .arg(m_notImported[i].nLine)
                       .arg(m_notImported[i].strReason);
    if (nListed < nNotImported)
        strText += QStringLiteral("\n... and %1 more.").arg(nNotImported - nListed);
    const qsizetype nNotes = std::min<qsizetype>(nMaxListed, m_notes.size());
    if (nNotes > 0)
        strText += u'\n';
    for (qsizetype i = 0; i < nNotes; ++i)
        strText += QStringLiteral("\nLine %1: %2").arg(m_notes[i].nLine).arg(m_notes[i].strText);
    if (nNotes < m_nNotes)
        strText += QStringLiteral("\n... and %1 more.").arg(m_nNotes - nNotes);
    return strText;
}

void CImportSummary::NotImported(const CRefusedRow& row, const QStringList& fields) {
    if (m_notImported.size() < kMaxListed)
        m_notImported.append(row);
    if (row.bDuplicate) {
        ++m_nDuplicates;
        return;
    }
    ++m_nRefused;
    if (!m_pRefused) {
        m_pRefused = std::make_shared<QTemporaryFile>();
        if (!m_pRefused->open())
            throw CContactError::CannotWrite(m_pRefused->fileTemplate(), m_pRefused->errorString());
    }
    const QByteArray line = CCsvWriter::Line(QStringList(fields) << row.strReason).toUtf8();
    if (m_pRefused->write(line) != line.size())
        throw CContactError::CannotWrite(m_pRefused->fileName(), m_pRefused->errorString());
}

void CImportSummary::Note(qint64 nLine, const QString& strText) {
    if (m_notes.size() < kMaxListed)
        m_notes.append(CImportNote{nLine, strText});
    ++m_nNotes;
}

void CImportSummary::SaveRefused(const QString& strPath) const {
    CCsvWriter writer(strPath);
    writer.Write(QStringList(m_headers) << QStringLiteral("Reason"));
    if (m_pRefused) {
        if (!m_pRefused->flush() || !m_pRefused->seek(0))
            throw CContactError::CannotRead(m_pRefused->fileName(), m_pRefused->errorString());
        writer.WriteLines(*m_pRefused);
    }
    writer.Commit();
}
