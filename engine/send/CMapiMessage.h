#pragma once

#include "engine/merge/CHtmlMail.h"
#include "platform/mapi/CorvaneSendHtmlMail.h"
#include "platform/mapi/SimpleMapi.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// One mail in the Simple MAPI structures: one recipient (To), the subject, the
// note text and one descriptor per attachment, with every text as UTF-8; a
// formatted mail also its HTML and images. The structures point into this
// object, so it lives until the send returns.
class CMapiMessage {
public:
    CMapiMessage(const QString& strName, const QString& strAddress, const QString& strSubject,
                 const QString& strText, const QStringList& arrFiles);
    CMapiMessage(const CMapiMessage&) = delete;
    CMapiMessage& operator=(const CMapiMessage&) = delete;

    lpMapiMessage Get() { return &m_message; }
    // The formatted part, for CorvaneSendHtmlMail.
    void SetHtml(const CHtmlMail& html);
    lpCorvaneHtmlBody Html() { return &m_html; }

private:
    QByteArray m_strName;
    QByteArray m_strAddress;
    QByteArray m_strSubject;
    QByteArray m_strText;
    std::vector<QByteArray> m_arrFiles;
    MapiRecipDesc m_recipient{};
    std::vector<MapiFileDesc> m_arrFileDescs;
    MapiMessage m_message{};
    QByteArray m_strHtml;
    std::vector<QByteArray> m_arrImageTexts; // path, Content-ID, path, ...
    std::vector<CorvaneInlineImage> m_arrImages;
    CorvaneHtmlBody m_html{};
};
