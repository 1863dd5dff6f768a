#include "CTestMapiMessage.h"

CTestMapiMessage::CTestMapiMessage(const QString& strName, const QByteArray& strAddress,
                                   const QString& strSubject, const QString& strBody,
                                   const QStringList& arrAttachments)
    : m_strSubject(Keep(strSubject.toUtf8())), m_strBody(Keep(strBody.toUtf8())) {
    AddRecipient(strAddress);
    m_vecRecipients.front().lpszName = Keep(strName.toUtf8());
    for (const QString& strPath : arrAttachments) {
        char* pPath = Keep(strPath.toUtf8());
        m_vecFiles.push_back(MapiFileDesc{0, 0, static_cast<ULONG>(-1), pPath, pPath, nullptr});
    }
}

void CTestMapiMessage::AddRecipient(const QByteArray& strAddress, ULONG nClass) {
    char* pAddress = Keep(strAddress);
    m_vecRecipients.push_back(MapiRecipDesc{0, nClass, pAddress, pAddress, 0, nullptr});
}

MapiMessage* CTestMapiMessage::Get() {
    m_message = MapiMessage{};
    m_message.lpszSubject = m_strSubject;
    m_message.lpszNoteText = m_strBody;
    m_message.nRecipCount = static_cast<ULONG>(m_vecRecipients.size());
    m_message.lpRecips = m_vecRecipients.empty() ? nullptr : m_vecRecipients.data();
    m_message.nFileCount = static_cast<ULONG>(m_vecFiles.size());
    m_message.lpFiles = m_vecFiles.empty() ? nullptr : m_vecFiles.data();
    return &m_message;
}

CorvaneHtmlBody* CTestMapiMessage::Html(const QByteArray& html,
                                        const QList<QPair<QString, QByteArray>>& images) {
    m_vecImages.clear();
    for (const auto& [strPath, contentId] : images)
        m_vecImages.push_back({0, Keep(strPath.toUtf8()), Keep(contentId)});
    m_html = {0, Keep(html), static_cast<ULONG>(m_vecImages.size()),
              m_vecImages.empty() ? nullptr : m_vecImages.data()};
    return &m_html;
}

// The texts live as long as the message: a deque never moves its elements.
char* CTestMapiMessage::Keep(const QByteArray& strText) {
    m_texts.push_back(strText);
    return m_texts.back().data();
}
