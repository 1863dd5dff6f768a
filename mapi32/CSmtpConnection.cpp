#include "mapi32/CSmtpConnection.h"

#include "mapi32/CMailSettings.h"
#include "mapi32/CSendAbort.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <glib.h>
#include <memory>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr long kConnectTimeoutSeconds = 30;
// A server that answers no command and takes no data for this long is given
// up on; the environment variable lets tests wait seconds instead.
constexpr long kStallSeconds = 60;
constexpr const char* kStallSecondsVariable = "CORVANE_MAIL_STALL_SECONDS";
// The message data gets the limit and a second for each 8 KiB on top, far
// slower than any real line, so that a large mail is not cut off while a
// server that takes its data a byte at a time is still given up on.
constexpr size_t kDataBytesPerSecond = 8 * 1024;
// QUIT is a courtesy: a server slow to answer it does not hold up the exit.
constexpr milliseconds kQuitWait{5000};
// The longest wait of the login between two looks at libcurl's own limits.
constexpr int kLoginPollMs = 250;
constexpr size_t kReceiveBytes = 16 * 1024;
constexpr const char* kHidden = "[hidden]";

// What the login's failures mean: its result code, the step (none: the step
// the login was at), a text of the library's own, and whether trying again
// later may help.
struct CurlFailure {
    ULONG nResult;
    CorvaneStep eStep;
    const char* pText;
    bool bTemporary;
};

struct UrlFree {
    void operator()(CURLU* pUrl) const { curl_url_cleanup(pUrl); }
};

struct CurlText {
    void operator()(char* pText) const { curl_free(pText); }
};

std::string UrlPart(CURLU* pUrl, CURLUPart ePart, unsigned nFlags = 0) {
    char* pPart = nullptr;
    if (curl_url_get(pUrl, ePart, &pPart, nFlags) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, CurlText> pOwned(pPart);
    return pOwned.get();
}

// The host as libcurl names it to the server in OAUTHBEARER: an IPv6
// address without its brackets.
std::string SaslHost(std::string strHost) {
    if (strHost.size() >= 2 && strHost.front() == '[' && strHost.back() == ']')
        return strHost.substr(1, strHost.size() - 2);
    return strHost;
}

bool IsThisMachine(const std::string& strHost) {
    return g_ascii_strcasecmp(strHost.c_str(), "localhost") == 0 || strHost == "127.0.0.1" ||
           strHost == "[::1]";
}

// Adds the certificates of a PEM file to the store; false when it holds none.
bool AddCertificates(X509_STORE* pStore, const std::string& strPemFile) {
    BIO* pFile = BIO_new_file(strPemFile.c_str(), "r");
    if (!pFile)
        return false;
    int nAdded = 0;
    while (X509* pCertificate = PEM_read_bio_X509(pFile, nullptr, nullptr, nullptr)) {
        // A certificate the store has already is no failure.
        X509_STORE_add_cert(pStore, pCertificate);
        X509_free(pCertificate);
        ++nAdded;
    }
    BIO_free(pFile);
    ERR_clear_error();
    return nAdded > 0;
}

std::string NoAnswerText(milliseconds limit) {
    return "no answer for " +
           std::to_string(std::chrono::ceil<std::chrono::seconds>(limit).count()) + " s";
}

std::string Base64Of(std::string_view strText) {
    gchar* pEncoded =
        g_base64_encode(reinterpret_cast<const guchar*>(strText.data()), strText.size());
    std::string strEncoded = pEncoded;
    g_free(pEncoded);
    return strEncoded;
}

// "250-PIPELINING" or "250 PIPELINING" (with or without parameters) in an
// EHLO reply.
bool OffersExtension(std::string_view strLine, std::string_view strKeyword) {
    if (strLine.size() < 4 || !strLine.starts_with("250") || (strLine[3] != '-' && strLine[3] != ' '))
        return false;
    std::string_view strRest = strLine.substr(4);
    while (!strRest.empty() && (strRest.back() == '\n' || strRest.back() == '\r'))
        strRest.remove_suffix(1);
    const std::string_view strWord = strRest.substr(0, strRest.find(' '));
    return strWord.size() == strKeyword.size() &&
           g_ascii_strncasecmp(strWord.data(), strKeyword.data(), strWord.size()) == 0;
}

CurlFailure FailureOf(CURLcode eCode) {
    constexpr CorvaneStep kAtStep = CORVANE_STEP_NONE;
    switch (eCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return {MapiResult::ServerUnreachable, CORVANE_STEP_CONNECT, "server name not found", true};
    case CURLE_COULDNT_CONNECT:
        return {MapiResult::ServerUnreachable, CORVANE_STEP_CONNECT, "connection refused", true};
    case CURLE_OPERATION_TIMEDOUT:
        return {MapiResult::ServerUnreachable, kAtStep, "", true};
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return {MapiResult::LoginDenied, CORVANE_STEP_LOGIN, "login refused", false};
    case CURLE_USE_SSL_FAILED:
        return {MapiResult::TlsFailed, CORVANE_STEP_TLS, "STARTTLS not offered", false};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return {MapiResult::TlsFailed, CORVANE_STEP_TLS, "TLS failed", false};
    case CURLE_OUT_OF_MEMORY:
        return {MapiResult::OutOfMemory, kAtStep, "out of memory", false};
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return {MapiResult::SettingsInvalid, CORVANE_STEP_SETTINGS, "Server is not a usable URL",
                false};
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return {MapiResult::ConnectionLost, kAtStep, "connection lost", true};
    default:
        return {MapiResult::Unexpected, kAtStep, "unexpected failure", false};
    }
}

} // namespace

long CSmtpConnection::StallSeconds() {
    const char* pValue = std::getenv(kStallSecondsVariable);
    const long nSeconds = pValue ? std::strtol(pValue, nullptr, 10) : 0;
    return nSeconds > 0 ? nSeconds : kStallSeconds;
}

CSmtpConnection::~CSmtpConnection() {
    if (m_bUsable)
        Quit();
    // A broken or silent connection is not waited for any further.
    if (!m_bUsable && m_nSocket != CURL_SOCKET_BAD)
        ::shutdown(m_nSocket, SHUT_RDWR);
    if (m_pMulti && m_pCurl)
        curl_multi_remove_handle(m_pMulti, m_pCurl);
    if (m_pCurl)
        curl_easy_cleanup(m_pCurl);
    if (m_pMulti)
        curl_multi_cleanup(m_pMulti);
}

CMailOutcome CSmtpConnection::Open(const CMailSettings& settings, const std::string& strBearer) {
    m_pCurl = curl_easy_init();
    m_pMulti = curl_multi_init();
    if (!m_pCurl || !m_pMulti)
        return CMailOutcome::Failure(MapiResult::OutOfMemory, CORVANE_STEP_CONNECT,
                                     "out of memory");
    if (CMailOutcome outcome = Configure(settings, strBearer); !outcome.Succeeded())
        return outcome;
    m_szError[0] = '\0';
    const CURLcode eCode = LogIn();
    // The watchdog and the EHLO reply are of the login only.
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 0L);
    if (eCode != CURLE_OK)
        return LoginFailure(eCode);
    if (curl_easy_getinfo(m_pCurl, CURLINFO_ACTIVESOCKET, &m_nSocket) != CURLE_OK ||
        m_nSocket == CURL_SOCKET_BAD)
        return LoginFailure(CURLE_GOT_NOTHING);
    m_bUsable = true;
    return {};
}

// libcurl's login, driven here rather than by curl_easy_perform so that the
// wait also watches for an abort. The handle stays in the multi handle:
// curl_easy_send and curl_easy_recv work only there.
CURLcode CSmtpConnection::LogIn() {
    if (curl_multi_add_handle(m_pMulti, m_pCurl) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    int nRunning = 1;
    while (nRunning > 0) {
        if (curl_multi_perform(m_pMulti, &nRunning) != CURLM_OK)
            return CURLE_OUT_OF_MEMORY;
        if (nRunning == 0)
            break;
        curl_waitfd abort{CSendAbort::Fd(), CURL_WAIT_POLLIN, 0};
        curl_multi_poll(m_pMulti, &abort, abort.fd >= 0 ? 1 : 0, kLoginPollMs, nullptr);
        if (CSendAbort::IsAborted()) {
            Fail(Break::Aborted);
            return CURLE_ABORTED_BY_CALLBACK;
        }
    }
    int nLeft = 0;
    while (const CURLMsg* pMessage = curl_multi_info_read(m_pMulti, &nLeft)) {
        if (pMessage->msg == CURLMSG_DONE)
            return pMessage->data.result;
    }
    return CURLE_GOT_NOTHING;
}

// The server's error reply decides where there is one (a 421 greeting, a
// 535 to AUTH); otherwise a text of the library's own.
CMailOutcome CSmtpConnection::LoginFailure(CURLcode eCode) const {
    if (m_eBreak == Break::Aborted)
        return BreakOutcome(m_eLoginStep);
    const CurlFailure failure = FailureOf(eCode);
    const CorvaneStep eStep = failure.eStep != CORVANE_STEP_NONE ? failure.eStep : m_eLoginStep;
    if (m_lastLoginReply && m_lastLoginReply->nCode >= 400) {
        CMailOutcome outcome = CMailOutcome::Refusal(failure.nResult, eStep, *m_lastLoginReply,
                                                     m_lastLoginReply->nCode / 100 == 4);
        outcome.strText = Redacted(std::move(outcome.strText));
        return outcome;
    }
    std::string strText =
        eCode == CURLE_OPERATION_TIMEDOUT ? NoAnswerText(m_stallLimit) : std::string(failure.pText);
    if (eStep == CORVANE_STEP_TLS && m_szError[0] != '\0')
        strText.append(": ").append(m_szError);
    return CMailOutcome::Failure(failure.nResult, eStep, Redacted(std::move(strText)),
                                 failure.bTemporary);
}

// A server may quote a command it did not take, the login's among them.
std::string CSmtpConnection::Redacted(std::string strText) const {
    for (const std::string& strSecret : m_vecSecrets) {
        for (size_t nAt = strText.find(strSecret); nAt != std::string::npos;
             nAt = strText.find(strSecret, nAt))
            strText.replace(nAt, strSecret.size(), kHidden);
    }
    return strText;
}

// CURLOPT_VERBOSE only feeds the watchdog's debug function, which shows
// nothing: the trace holds the login.
CMailOutcome CSmtpConnection::Configure(const CMailSettings& settings,
                                        const std::string& strBearer) {
    const CMailOutcome notSmtp =
        CMailOutcome::Failure(MapiResult::SettingsInvalid, CORVANE_STEP_SETTINGS,
                              "Server is not an smtp:// or smtps:// URL");
    const std::unique_ptr<CURLU, UrlFree> pUrl(curl_url());
    if (!pUrl || curl_url_set(pUrl.get(), CURLUPART_URL, settings.m_strServer.c_str(), 0) != CURLUE_OK)
        return notSmtp;
    const std::string strScheme = UrlPart(pUrl.get(), CURLUPART_SCHEME);
    if (strScheme != "smtp" && strScheme != "smtps")
        return notSmtp;
    const bool bPlainAllowed =
        strScheme == "smtp" && IsThisMachine(UrlPart(pUrl.get(), CURLUPART_HOST));

    curl_easy_setopt(m_pCurl, CURLOPT_URL, settings.m_strServer.c_str());
    curl_easy_setopt(m_pCurl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(m_pCurl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_USE_SSL,
                     static_cast<long>(bPlainAllowed ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYHOST, 2L);
    m_strCaFile = settings.m_strCaFile;
    if (const ULONG nResult = TrustedCertificates(); nResult != SUCCESS_SUCCESS)
        return CMailOutcome::Failure(nResult, CORVANE_STEP_SETTINGS, "CAFile cannot be read");
    NoteSecrets(settings, strBearer, SaslHost(UrlPart(pUrl.get(), CURLUPART_HOST)),
                UrlPart(pUrl.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT));
    SetLogin(settings, strBearer);
    const long nStallSeconds = StallSeconds();
    m_stallLimit = std::chrono::seconds(nStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_TIME, nStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, nStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, m_szError);
    WatchExchanges();
    return {};
}

// The credentials go in the AUTH command (SASL-IR): one round trip. A
// token login offers the bearer mechanisms only, never the token as a
// password.
void CSmtpConnection::SetLogin(const CMailSettings& settings, const std::string& strBearer) {
    if (settings.m_strUser.empty())
        return;
    curl_easy_setopt(m_pCurl, CURLOPT_USERNAME, settings.m_strUser.c_str());
    curl_easy_setopt(m_pCurl, CURLOPT_SASL_IR, 1L);
    if (settings.m_eAuth == CMailSettings::Auth::OAuth2) {
        curl_easy_setopt(m_pCurl, CURLOPT_XOAUTH2_BEARER, strBearer.c_str());
        curl_easy_setopt(m_pCurl, CURLOPT_LOGIN_OPTIONS, "AUTH=OAUTHBEARER;AUTH=XOAUTH2");
    } else {
        curl_easy_setopt(m_pCurl, CURLOPT_PASSWORD, settings.m_strPassword.c_str());
    }
}

// The password as AUTH PLAIN and AUTH LOGIN send it, the token as XOAUTH2
// and OAUTHBEARER (RFC 7628, with the server's host and port, as libcurl
// writes it) send it, and each as it is: the longer forms first, since the
// shorter may be part of them.
void CSmtpConnection::NoteSecrets(const CMailSettings& settings, const std::string& strBearer,
                                  const std::string& strHost, const std::string& strPort) {
    const std::string& strUser = settings.m_strUser;
    if (!strBearer.empty()) {
        const std::string strAuth = "auth=Bearer " + strBearer + "\1\1";
        m_vecSecrets = {
            Base64Of("n,a=" + strUser + ",\1host=" + strHost + "\1port=" + strPort + '\1' + strAuth),
            Base64Of("user=" + strUser + '\1' + strAuth), strBearer};
        return;
    }
    if (settings.m_strPassword.empty())
        return;
    m_vecSecrets = {Base64Of(std::string(1, '\0') + strUser + '\0' + settings.m_strPassword),
                    Base64Of(settings.m_strPassword), settings.m_strPassword};
}

// The system's CAs, which libcurl loads, plus those of CAFile, added to
// OpenSSL's store when a TLS connection is set up. (A CA file named to libcurl
// would replace the system's instead.) Plain connections never read either.
ULONG CSmtpConnection::TrustedCertificates() {
    if (m_strCaFile.empty())
        return SUCCESS_SUCCESS;
    if (::access(m_strCaFile.c_str(), R_OK) != 0 ||
        curl_easy_setopt(m_pCurl, CURLOPT_SSL_CTX_FUNCTION, &CSmtpConnection::AddCaFile) != CURLE_OK)
        return MapiResult::CaFileUnusable;
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_CTX_DATA, this);
    return SUCCESS_SUCCESS;
}

CURLcode CSmtpConnection::AddCaFile(CURL*, void* pSslContext, void* pThis) {
    X509_STORE* pStore = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(pSslContext));
    const std::string& strCaFile = static_cast<CSmtpConnection*>(pThis)->m_strCaFile;
    return AddCertificates(pStore, strCaFile) ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

// libcurl says QUIT only when the login failed, and then waits for the
// answer for as long as for any other: the watchdog shuts the connection down
// as soon as QUIT is out, so that nobody waits for a courtesy from a server
// that may be silent. It also notes the login's step, the server's last reply
// and whether the last EHLO reply offers PIPELINING. Nothing the program
// sends (the login) is kept or shown.
void CSmtpConnection::WatchExchanges() {
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGFUNCTION, &CSmtpConnection::NoteExchange);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTFUNCTION, &CSmtpConnection::NoteSocket);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTDATA, this);
}

// libcurl does not name the socket while it closes the connection.
int CSmtpConnection::NoteSocket(void* pThis, curl_socket_t nSocket, curlsocktype) {
    static_cast<CSmtpConnection*>(pThis)->m_nSocket = nSocket;
    return CURL_SOCKOPT_OK;
}

int CSmtpConnection::NoteExchange(CURL*, curl_infotype eType, char* pData, size_t nSize,
                                  void* pThis) {
    auto* pConnection = static_cast<CSmtpConnection*>(pThis);
    const std::string_view strLine(pData, nSize);
    if (eType == CURLINFO_HEADER_OUT) {
        pConnection->m_lastLoginReply.reset();
        if (strLine.starts_with("QUIT") && pConnection->m_nSocket != CURL_SOCKET_BAD)
            ::shutdown(pConnection->m_nSocket, SHUT_RDWR);
        else if (strLine.starts_with("EHLO") || strLine.starts_with("HELO"))
            pConnection->m_eLoginStep = CORVANE_STEP_CONNECT;
        else if (strLine.starts_with("STARTTLS"))
            pConnection->m_eLoginStep = CORVANE_STEP_TLS;
        else if (strLine.starts_with("AUTH"))
            pConnection->m_eLoginStep = CORVANE_STEP_LOGIN;
        if (strLine.starts_with("EHLO"))
            pConnection->m_bPipelining = false;
    }
    if (eType == CURLINFO_HEADER_IN) {
        if (OffersExtension(strLine, "PIPELINING"))
            pConnection->m_bPipelining = true;
        pConnection->m_loginReplies.Feed(strLine);
        while (std::optional<Reply> reply = pConnection->m_loginReplies.Next())
            pConnection->m_lastLoginReply = std::move(reply);
    }
    return 0;
}

CMailOutcome CSmtpConnection::BreakOutcome(CorvaneStep eStep) const {
    switch (m_eBreak) {
    case Break::Stalled:
        return CMailOutcome::Failure(MapiResult::ServerUnreachable, eStep,
                                     NoAnswerText(m_exchangeLimit), true);
    case Break::Garbled:
        return CMailOutcome::Failure(MapiResult::ConnectionLost, eStep, "no SMTP reply");
    case Break::OutOfStep:
        return CMailOutcome::Failure(MapiResult::ConnectionLost, eStep, "reply out of step");
    case Break::Aborted:
        return CMailOutcome::Failure(MapiResult::Aborted, eStep, "sending stopped");
    case Break::None:
    case Break::Closed:
        break;
    }
    return CMailOutcome::Failure(MapiResult::ConnectionLost, eStep, "connection lost", true);
}

// Marks the connection unusable for good; false, for the callers to pass on.
bool CSmtpConnection::Fail(Break eWhy) {
    if (m_eBreak == Break::None)
        m_eBreak = eWhy;
    m_bUsable = false;
    return false;
}

void CSmtpConnection::Abandon(Break eWhy) {
    Fail(eWhy);
}

std::vector<CSmtpConnection::Reply> CSmtpConnection::Exchange(std::string_view strCommands,
                                                              size_t nDue) {
    return Converse(strCommands, nDue, m_stallLimit);
}

std::optional<CSmtpConnection::Reply> CSmtpConnection::SendData(std::string_view strData) {
    const milliseconds allowance = std::chrono::seconds(strData.size() / kDataBytesPerSecond);
    std::vector<Reply> vecReplies = Converse(strData, 1, m_stallLimit + allowance);
    if (vecReplies.empty())
        return std::nullopt;
    return std::move(vecReplies.front());
}

// The one place where replies are read. The limit runs from the first byte
// sent to the last reply owed, however the bytes between trickle. Replies
// beyond those owed that are already here put the conversation out of step,
// and with it every reply of this exchange.
std::vector<CSmtpConnection::Reply> CSmtpConnection::Converse(std::string_view strOut, size_t nDue,
                                                              milliseconds limit) {
    std::vector<Reply> vecReplies;
    const Clock::time_point tDeadline = Clock::now() + limit;
    m_exchangeLimit = limit;
    if (!IsQuiet())
        return vecReplies;
    m_replies.Expect(nDue);
    if (!Write(strOut, tDeadline))
        return vecReplies;
    while (vecReplies.size() < nDue) {
        if (std::optional<Reply> reply = m_replies.Next()) {
            vecReplies.push_back(std::move(*reply));
            continue;
        }
        if (m_replies.IsGarbled()) {
            Fail(Break::Garbled);
            return vecReplies;
        }
        if (!ReceiveMore(tDeadline))
            return vecReplies;
    }
    if (!m_replies.IsOutOfStep())
        ReceiveWaiting();
    if (m_replies.IsOutOfStep())
        Fail(Break::OutOfStep);
    return vecReplies;
}

bool CSmtpConnection::IsQuiet() {
    if (m_bUsable && !m_replies.IsOutOfStep())
        ReceiveWaiting();
    if (m_bUsable && m_replies.IsOutOfStep())
        Fail(Break::OutOfStep);
    return m_bUsable;
}

// Waits until the socket is ready for nEvents, at most until the deadline,
// and not at all once the call is aborted.
bool CSmtpConnection::WaitFor(short nEvents, Clock::time_point tDeadline) {
    for (;;) {
        if (CSendAbort::IsAborted())
            return Fail(Break::Aborted);
        const Clock::time_point tNow = Clock::now();
        if (tNow >= tDeadline)
            return Fail(Break::Stalled);
        const auto remaining = std::chrono::ceil<milliseconds>(tDeadline - tNow);
        pollfd waited[2] = {{m_nSocket, nEvents, 0}, {CSendAbort::Fd(), POLLIN, 0}};
        const int nReady =
            ::poll(waited, waited[1].fd >= 0 ? 2 : 1, static_cast<int>(remaining.count()));
        if (nReady < 0 && errno != EINTR)
            return Fail(Break::Closed);
        if (nReady > 0 && waited[0].revents != 0)
            return true;
    }
}

bool CSmtpConnection::Write(std::string_view strData, Clock::time_point tDeadline) {
    while (m_bUsable && !strData.empty()) {
        size_t nSent = 0;
        const CURLcode eCode = curl_easy_send(m_pCurl, strData.data(), strData.size(), &nSent);
        if (eCode == CURLE_AGAIN) {
            WaitFor(POLLOUT, tDeadline);
            continue;
        }
        if (eCode != CURLE_OK)
            return Fail(Break::Closed);
        strData.remove_prefix(nSent);
    }
    return m_bUsable;
}

bool CSmtpConnection::ReceiveMore(Clock::time_point tDeadline) {
    char buffer[kReceiveBytes];
    while (m_bUsable) {
        size_t nReceived = 0;
        const CURLcode eCode = curl_easy_recv(m_pCurl, buffer, sizeof buffer, &nReceived);
        if (eCode == CURLE_AGAIN) {
            WaitFor(POLLIN, tDeadline);
            continue;
        }
        // Zero bytes: the server closed the connection.
        if (eCode != CURLE_OK || nReceived == 0)
            return Fail(Break::Closed);
        m_replies.Feed(std::string_view(buffer, nReceived));
        return true;
    }
    return false;
}

// Takes what the server sent without waiting for more; false when it closed
// the connection.
bool CSmtpConnection::ReceiveWaiting() {
    char buffer[kReceiveBytes];
    size_t nReceived = 0;
    const CURLcode eCode = curl_easy_recv(m_pCurl, buffer, sizeof buffer, &nReceived);
    if (eCode == CURLE_AGAIN)
        return true;
    if (eCode != CURLE_OK || nReceived == 0)
        return Fail(Break::Closed);
    m_replies.Feed(std::string_view(buffer, nReceived));
    return true;
}

void CSmtpConnection::Quit() {
    Converse("QUIT\r\n", 1, std::min(m_stallLimit, kQuitWait));
}
