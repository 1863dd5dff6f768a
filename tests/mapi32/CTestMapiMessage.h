#pragma once

#include "platform/mapi/CorvaneSendHtmlMail.h"
#include "platform/mapi/SimpleMapi.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// A MapiMessage and the texts it points to, filled as the program fills it:
// one MAPI_TO recipient, the subject, the body and the attachment paths
// (path and file name the same).
class CTestMapiMessage {
public:
    CTestMapiMessage(const QString& strName, const QByteArray& strAddress,
                     const QString& strSubject, const QString& strBody,
                     const QStringList& arrAttachments = {});

    void AddRecipient(const QByteArray& strAddress, ULONG nClass = MAPI_TO);
    void SetRecipientClass(ULONG nClass) { m_vecRecipients.front().ulRecipClass = nClass; }
    void RemoveRecipients() { m_vecRecipients.clear(); }
    void SetSubjectBytes(const QByteArray& strSubject) { m_strSubject = Keep(strSubject); }

    MapiMessage* Get();
    // The HTML part of a formatted mail and its images, each a file path and
    // its Content-ID.
    CorvaneHtmlBody* Html(const QByteArray& html,
                          const QList<QPair<QString, QByteArray>>& images = {});

private:
    char* Keep(const QByteArray& strText);

    std::deque<QByteArray> m_texts;
    std::vector<MapiRecipDesc> m_vecRecipients;
    std::vector<MapiFileDesc> m_vecFiles;
    char* m_strSubject = nullptr;
    char* m_strBody = nullptr;
    MapiMessage m_message{};
    std::vector<CorvaneInlineImage> m_vecImages;
    CorvaneHtmlBody m_html{};
};
