#pragma once

#include "mapi32/CIdleConnection.h"
#include "mapi32/CMailTransport.h"

#include <chrono>
#include <curl/curl.h>
#include <string>
#include <string_view>

class CMailSettings;

// Delivery over SMTP with libcurl, on one connection for the whole session:
// the logon connects, starts TLS (implicit for smtps://, STARTTLS for
// smtp://), checks the server's certificate against the system's CAs and
// those of CAFile (libcurl's OpenSSL flavour is needed for that), logs in and
// says NOOP; the mails then go over that connection. Destroying the
// transport keeps a connection in good order for the next session with the
// same settings (CIdleConnection); a broken one is closed.
//
// Each exchange with the server (a command and its answer, or the message
// data) is given up when the server stays silent or takes nothing for
// a minute (CORVANE_MAIL_STALL_SECONDS in the environment sets another
// limit).
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
    CIdleConnection::Key ConnectionKey() const;
    ULONG TrustedCertificates();
    ULONG Perform(bool bSending);
    ULONG FailureOf(CURLcode eCode, bool bSending) const;
    void WatchExchanges();
    void ForgetThisTransport();
    static int NoteExchange(CURL* pCurl, curl_infotype eType, char* pData, size_t nSize,
                            void* pThis);
    static int NoteSocket(void* pThis, curl_socket_t nSocket, curlsocktype eType);
    static CURLcode AddCaFile(CURL* pCurl, void* pSslContext, void* pThis);
    static size_t ReadMessage(char* pBuffer, size_t nSize, size_t nCount, void* pThis);
    static size_t DiscardReply(char* pBuffer, size_t nSize, size_t nCount, void* pThis);

    const CMailSettings& m_settings;
    CURL* m_pCurl = nullptr;
    bool m_bReused = false;           // the connection of an earlier session
    bool m_bConnectionUsable = false; // the last transfer went well
    CURLcode m_eLastCode = CURLE_OK;
    long m_nLastReply = 0; // the server's last reply in that transfer
    std::chrono::seconds m_stallLimit{0};
    std::chrono::steady_clock::time_point m_tLastExchange;
    curl_socket_t m_nSocket = CURL_SOCKET_BAD; // the connection's
    std::string_view m_strUnsent;
    char m_szError[CURL_ERROR_SIZE] = {};
};
