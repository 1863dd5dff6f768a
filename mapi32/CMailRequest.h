#pragma once

#include "platform/mapi/SimpleMapi.h"

#include <string>
#include <vector>

// What a MapiMessage asks for, checked and made safe for the header lines:
// one recipient with a plain address, a one-line subject and name, the body
// and the files to attach.
class CMailRequest {
public:
    struct Attachment {
        std::string strPath; // the file to read (lpszPathName)
        std::string strName; // the name the recipient sees
    };

    // Fills the request from the message; SUCCESS_SUCCESS, or the result
    // code that says what is wrong with it.
    ULONG Read(const MapiMessage* pMessage);

    std::string m_strRecipientName; // empty when it is only the address again
    std::string m_strRecipientAddress;
    std::string m_strSubject;
    std::string m_strBody;
    std::vector<Attachment> m_vecAttachments;

private:
    ULONG ReadRecipient(const MapiMessage& message);
    ULONG ReadAttachments(const MapiMessage& message);
};
