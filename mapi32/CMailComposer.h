#pragma once

#include "mapi32/CMailRequest.h"
#include "platform/mapi/SimpleMapi.h"

#include <gmime/gmime.h>
#include <string>

class CMailSettings;

// Builds the Internet message for one request: From, To and Subject written
// by CHeaderLine (encoded when they are not plain ASCII words); with GMime
// Date, Message-ID, a UTF-8 text/plain body and each attachment as its own
// base64 part; CR LF line ends as SMTP and .eml files want them. A formatted
// mail's body is a multipart/alternative of the text and the HTML, the HTML
// in a multipart/related with the images it shows when it shows any.
class CMailComposer {
public:
    // Reads the attachments and writes the whole message into strMessage;
    // SUCCESS_SUCCESS, or the result code of the attachment that failed.
    static ULONG Compose(const CMailRequest& request, const CMailSettings& settings,
                         std::string& strMessage);
    // The same, and the value of the message's Message-ID header ("<...>")
    // in strMessageId.
    static ULONG Compose(const CMailRequest& request, const CMailSettings& settings,
                         std::string& strMessage, std::string& strMessageId);

private:
    static std::string AddressLines(const CMailRequest& request, const CMailSettings& settings);
    static ULONG Body(const CMailRequest& request, GMimeObject** ppBody);
    static ULONG FormattedBody(const CMailRequest& request, GMimeObject** ppBody);
    static GMimeObject* TextPart(const std::string& strText, const char* pszSubtype);
    static ULONG AttachmentPart(const std::string& strPath, const std::string& strName,
                                GMimeObject** ppPart);
    static ULONG InlineImagePart(const CMailRequest::InlineImage& image, GMimeObject** ppPart);
    static std::string Serialize(GMimeMessage* pMessage);
};
