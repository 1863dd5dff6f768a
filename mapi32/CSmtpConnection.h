#pragma once

#include "mapi32/CSmtpReplyParser.h"
#include "platform/mapi/SimpleMapi.h"

#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <string>
#include <string_view>

class CMailSettings;

// One logged-in SMTP connection. libcurl connects, starts TLS (implicit for
// smtps://, STARTTLS for smtp://), checks the server's certificate against
// the system's CAs and those of CAFile (libcurl's OpenSSL flavour is needed
// for that) and logs in; then it hands the connection over (CONNECT_ONLY),
// and the mail transactions are ours: libcurl can neither pipeline commands
// (RFC 2920) nor keep a connection open between two transfers without
// waiting for every reply one by one.
//
// Each exchange with the server (a command and its reply, or a piece of the
// message data) is given up when the server stays silent or takes nothing
// for a minute (CORVANE_MAIL_STALL_SECONDS in the environment sets another
// limit). smtp:// to any host but this machine (localhost, 127.0.0.1, ::1)
// demands STARTTLS; to this machine TLS is used when the server offers it.
class CSmtpConnection {
public:
    using Reply = CSmtpReplyParser::Reply;

    CSmtpConnection() = default;
    // A usable connection says QUIT; a broken one is just closed.
    ~CSmtpConnection();
    CSmtpConnection(const CSmtpConnection&) = delete;
    CSmtpConnection& operator=(const CSmtpConnection&) = delete;

    // Connects and logs in as the settings say: with the password, or with
    // the access token strBearer (XOAUTH2 or OAUTHBEARER, whichever the
    // server offers; OAUTHBEARER where it offers both). SUCCESS_SUCCESS or
    // the result code of the failure.
    ULONG Open(const CMailSettings& settings, const std::string& strBearer = {});

    // False when the connection broke or the server took nothing for the
    // limit; the connection is then unusable.
    bool Write(std::string_view strData);
    // The next reply, or nothing when the connection broke, the server stayed
    // silent for the limit or answered what is no SMTP reply.
    std::optional<Reply> ReadReply();
    // An idle connection is still open and the server has said nothing since.
    // A server that gave up on it may have closed it, or said 421 first: the
    // connection is then unusable, and is closed without QUIT.
    bool IsQuiet();
    // Leaves a transaction the server may still be in the middle of: the
    // connection is closed instead of kept.
    void Abandon() { m_bUsable = false; }

    bool IsUsable() const { return m_bUsable; }
    // The connection failed because the server stayed silent for the limit.
    bool HasStalled() const { return m_bStalled; }
    // The server offered PIPELINING (RFC 2920) in its last EHLO reply.
    bool Pipelines() const { return m_bPipelining; }
    // The result code for the way the connection failed: silent server or
    // broken conversation.
    ULONG BreakResult() const;
    // Replies read so far: none since a point means the server answered
    // nothing of what was sent after it.
    long RepliesRead() const { return m_nRepliesRead; }
    // The limit for one exchange, in seconds.
    static long StallSeconds();

private:
    ULONG Configure(const CMailSettings& settings, const std::string& strBearer);
    void SetLogin(const CMailSettings& settings, const std::string& strBearer);
    ULONG TrustedCertificates();
    void WatchExchanges();
    bool WaitFor(short nEvents, std::chrono::milliseconds limit);
    bool ReceiveMore(std::chrono::milliseconds limit);
    std::optional<Reply> ReadReply(std::chrono::milliseconds limit);
    void Quit();
    static ULONG FailureOf(CURLcode eCode);
    static int NoteExchange(CURL* pCurl, curl_infotype eType, char* pData, size_t nSize,
                            void* pThis);
    static int NoteSocket(void* pThis, curl_socket_t nSocket, curlsocktype eType);
    static CURLcode AddCaFile(CURL* pCurl, void* pSslContext, void* pThis);

    CURL* m_pCurl = nullptr;
    curl_socket_t m_nSocket = CURL_SOCKET_BAD;
    std::string m_strCaFile;
    bool m_bUsable = false;
    bool m_bStalled = false;
    bool m_bPipelining = false;
    long m_nRepliesRead = 0;
    CSmtpReplyParser m_parser; // what the server sent, not yet read as replies
    std::chrono::milliseconds m_stallLimit{0};
    std::chrono::steady_clock::time_point m_tLastExchange;
    char m_szError[CURL_ERROR_SIZE] = {};
};
