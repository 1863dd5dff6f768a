#pragma once

#include "mapi32/CMailOutcome.h"
#include "mapi32/CSmtpReplyParser.h"
#include "mapi32/CSmtpReplyQueue.h"
#include "platform/mapi/SimpleMapi.h"

#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CMailSettings;

// One logged-in SMTP connection. libcurl connects, starts TLS (implicit for
// smtps://, STARTTLS for smtp://), checks the server's certificate against
// the system's CAs and those of CAFile (libcurl's OpenSSL flavour is needed
// for that) and logs in; then it hands the connection over (CONNECT_ONLY),
// and the mail transactions are ours: libcurl can neither pipeline commands
// (RFC 2920) nor keep a connection open between two transfers without
// waiting for every reply one by one.
//
// Each exchange (a command, a pipelined group or the message data, until
// its last reply is whole) is given up when it takes longer than a minute
// (CORVANE_MAIL_STALL_SECONDS in the environment sets another limit),
// however the server's bytes trickle; the data gets more time by its size.
// The replies are read against the commands sent (CSmtpReplyQueue): a byte
// from the server when no reply is due breaks the connection as out of
// step. Every wait also ends at once when CorvaneAbortSend aborts the call
// (CSendAbort). smtp:// to any host but this machine (localhost, 127.0.0.1,
// ::1) demands STARTTLS; to this machine TLS is used when the server offers
// it.
class CSmtpConnection {
public:
    using Reply = CSmtpReplyParser::Reply;

    // Why the connection became unusable.
    enum class Break { None, Stalled, Closed, Garbled, OutOfStep, Aborted };

    CSmtpConnection() = default;
    // A usable connection says QUIT; a broken one is just closed.
    ~CSmtpConnection();
    CSmtpConnection(const CSmtpConnection&) = delete;
    CSmtpConnection& operator=(const CSmtpConnection&) = delete;

    // Connects and logs in as the settings say. The failure names its step
    // and the server's reply that decided it, never the password.
    CMailOutcome Open(const CMailSettings& settings);

    // Sends one command, or a pipelined group of nDue commands, and reads
    // the nDue replies owed. Fewer replies, or a conversation found out of
    // step, mean the connection broke (BrokenBy).
    std::vector<Reply> Exchange(std::string_view strCommands, size_t nDue);
    // Sends the message data (dot-stuffed, with its end) and reads its one
    // reply.
    std::optional<Reply> SendData(std::string_view strData);
    // The connection is open, and nothing from the server waits on it: no
    // reply that is not due, no close. Otherwise it is unusable from now on.
    bool IsQuiet();
    // Leaves a transaction the server may still be in the middle of, or a
    // conversation gone wrong: the connection is closed instead of kept.
    void Abandon(Break eWhy);

    bool IsUsable() const { return m_bUsable; }
    Break BrokenBy() const { return m_eBreak; }
    // What the break means for a mail that was at step eStep.
    CMailOutcome BreakOutcome(CorvaneStep eStep) const;
    // The server offered PIPELINING (RFC 2920) in its last EHLO reply.
    bool Pipelines() const { return m_bPipelining; }

private:
    using Clock = std::chrono::steady_clock;

    CMailOutcome Configure(const CMailSettings& settings);
    ULONG TrustedCertificates();
    void NoteSecrets(const CMailSettings& settings);
    void WatchExchanges();
    CURLcode LogIn();
    CMailOutcome LoginFailure(CURLcode eCode) const;
    std::string Redacted(std::string strText) const;
    std::vector<Reply> Converse(std::string_view strOut, size_t nDue,
                                std::chrono::milliseconds limit);
    bool Fail(Break eWhy);
    bool WaitFor(short nEvents, Clock::time_point tDeadline);
    bool Write(std::string_view strData, Clock::time_point tDeadline);
    bool ReceiveMore(Clock::time_point tDeadline);
    bool ReceiveWaiting();
    void Quit();
    static int NoteExchange(CURL* pCurl, curl_infotype eType, char* pData, size_t nSize,
                            void* pThis);
    static int NoteSocket(void* pThis, curl_socket_t nSocket, curlsocktype eType);
    static CURLcode AddCaFile(CURL* pCurl, void* pSslContext, void* pThis);

    CURL* m_pCurl = nullptr;
    CURLM* m_pMulti = nullptr; // holds m_pCurl for as long as it is used
    curl_socket_t m_nSocket = CURL_SOCKET_BAD;
    std::string m_strCaFile;
    std::vector<std::string> m_vecSecrets; // never shown in a failure's text
    bool m_bUsable = false;
    Break m_eBreak = Break::None;
    bool m_bPipelining = false;
    CSmtpReplyQueue m_replies;
    std::chrono::milliseconds m_stallLimit{0};
    std::chrono::milliseconds m_exchangeLimit{0}; // the limit of the last exchange
    // The login: its step, and the server's last reply, for a failure.
    CorvaneStep m_eLoginStep = CORVANE_STEP_CONNECT;
    CSmtpReplyParser m_loginReplies;
    std::optional<Reply> m_lastLoginReply;
    char m_szError[CURL_ERROR_SIZE] = {};
};
