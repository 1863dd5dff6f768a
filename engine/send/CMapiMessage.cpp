#include "engine/send/CMapiMessage.h"

namespace {

// The attachment is not placed inside the note text.
constexpr ULONG kNoPosition = ~ULONG(0);

} // namespace

CMapiMessage::CMapiMessage(const QString& strName, const QString& strAddress,
                           const QString& strSubject, const QString& strText,
                           const QStringList& arrFiles)
    : m_strName((strName.isEmpty() ? strAddress : strName).toUtf8()),
      m_strAddress(strAddress.toUtf8()), m_strSubject(strSubject.toUtf8()),
      m_strText(strText.toUtf8()) {
    m_recipient.ulRecipClass = MAPI_TO;
    m_recipient.lpszName = m_strName.data();
    m_recipient.lpszAddress = m_strAddress.data();

    m_arrFiles.reserve(arrFiles.size());
    m_arrFileDescs.reserve(arrFiles.size());
    for (const QString& strPath : arrFiles) {
        QByteArray& path = m_arrFiles.emplace_back(strPath.toUtf8());
        MapiFileDesc& desc = m_arrFileDescs.emplace_back();
        desc.nPosition = kNoPosition;
        desc.lpszPathName = path.data();
        desc.lpszFileName = path.data();
    }

    m_message.lpszSubject = m_strSubject.data();
    m_message.lpszNoteText = m_strText.data();
    m_message.nRecipCount = 1;
    m_message.lpRecips = &m_recipient;
    m_message.nFileCount = static_cast<ULONG>(m_arrFileDescs.size());
    m_message.lpFiles = m_arrFileDescs.empty() ? nullptr : m_arrFileDescs.data();
}
