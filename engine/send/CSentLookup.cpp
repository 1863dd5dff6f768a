#include "engine/send/CSentLookup.h"

CSentLookup::CSentLookup(const QList<CSendLogEntry>& entries) {
    for (const CSendLogEntry& entry : entries) {
        if (entry.result == CSendLogEntry::Result::Sent)
            m_keys.insert(Key(entry.strEMail, entry.strTemplate, entry.strSubject));
    }
}

bool CSentLookup::IsSent(const QString& strEMail, const QString& strTemplate,
                         const QString& strSubject) const {
    return m_keys.contains(Key(strEMail, strTemplate, strSubject));
}

// The unit separator cannot stand in a field the table or a template holds.
QString CSentLookup::Key(const QString& strEMail, const QString& strTemplate,
                         const QString& strSubject) {
    return strEMail.trimmed().toCaseFolded() + u'\x1f' + strTemplate + u'\x1f' + strSubject;
}
