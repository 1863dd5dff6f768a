#pragma once

#include "mapi32/CMailTransport.h"

#include <curl/curl.h>
#include <string>
#include <string_view>

class CMailSettings;

// Delivery over SMTP with libcurl, on one connection for the whole session:
// the logon connects, starts TLS (implicit for smtps://, STARTTLS for
// smtp://), checks the server's certificate against the system's CAs and
// those of CAFile (libcurl's OpenSSL flavour is needed for that), logs in and says NOOP; the mails
// then go over that connection, and destroying the transport says QUIT.
//
// smtp:// to any host but this machine (localhost, 127.0.0.1, ::1) demands
// STARTTLS; to this machine TLS is used when the server offers it.
class CSmtpTransport : public CMailTransport {
public:
    explicit CSmtpTransport(const CMailSettings& settings);
    ~CSmtpTransport() override;
    CSmtpTransport(const CSmtpTransport&) = delete;
    CSmtpTransport& operator=(const CSmtpTransport&) = delete;

    ULONG Logon() override;
    ULONG Deliver(const std::string& strSender, const std::string& strRecipient,
                  const std::string& strMessage) override;

private:
    ULONG Configure();
    ULONG TrustedCertificates();
    ULONG Perform(bool bSending);
    ULONG FailureOf(CURLcode eCode, bool bSending) const;
    static CURLcode AddCaFile(CURL* pCurl, void* pSslContext, void* pThis);
    static size_t ReadMessage(char* pBuffer, size_t nSize, size_t nCount, void* pThis);
    static size_t DiscardReply(char* pBuffer, size_t nSize, size_t nCount, void* pThis);

    const CMailSettings& m_settings;
    CURL* m_pCurl = nullptr;
    std::string_view m_strUnsent;
    char m_szError[CURL_ERROR_SIZE] = {};
};
