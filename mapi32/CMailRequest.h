#pragma once

#include "platform/mapi/CorvaneSendHtmlMail.h"
#include "platform/mapi/SimpleMapi.h"

#include <string>
#include <vector>

// What a MapiMessage asks for, checked and made safe for the header lines:
// one recipient with a plain address, a one-line subject and name, the body
// and the files to attach; for a formatted mail also the HTML and the images
// it shows.
class CMailRequest {
public:
    struct Attachment {
        std::string strPath; // the file to read (lpszPathName)
        std::string strName; // the name the recipient sees
    };

    struct InlineImage {
        std::string strPath;      // the file to read
        std::string strName;      // its file name, for the recipient's program
        std::string strContentId; // without angle brackets
    };

    // Fills the request from the message, and from pHtml when it is not
    // null; SUCCESS_SUCCESS, or the result code that says what is wrong.
    ULONG Read(const MapiMessage* pMessage, const CorvaneHtmlBody* pHtml = nullptr);

    std::string m_strRecipientName; // empty when it is only the address again
    std::string m_strRecipientAddress;
    std::string m_strSubject;
    std::string m_strBody;
    std::vector<Attachment> m_vecAttachments;
    bool m_bHtml = false;
    std::string m_strHtml;
    std::vector<InlineImage> m_vecInlineImages;

private:
    ULONG ReadRecipient(const MapiMessage& message);
    ULONG ReadAttachments(const MapiMessage& message);
    ULONG ReadHtml(const CorvaneHtmlBody& html);
};
