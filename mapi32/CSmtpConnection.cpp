#include "mapi32/CSmtpConnection.h"

#include "mapi32/CMailSettings.h"
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
// QUIT is a courtesy: a server slow to answer it does not hold up the exit.
constexpr milliseconds kQuitWait{5000};
constexpr size_t kReceiveBytes = 16 * 1024;

struct UrlFree {
    void operator()(CURLU* pUrl) const { curl_url_cleanup(pUrl); }
};

struct CurlText {
    void operator()(char* pText) const { curl_free(pText); }
};

std::string UrlPart(CURLU* pUrl, CURLUPart ePart) {
    char* pPart = nullptr;
    if (curl_url_get(pUrl, ePart, &pPart, 0) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, CurlText> pOwned(pPart);
    return pOwned.get();
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

} // namespace

long CSmtpConnection::StallSeconds() {
    const char* pValue = std::getenv(kStallSecondsVariable);
    const long nSeconds = pValue ? std::strtol(pValue, nullptr, 10) : 0;
    return nSeconds > 0 ? nSeconds : kStallSeconds;
}

CSmtpConnection::~CSmtpConnection() {
    if (!m_pCurl)
        return;
    if (m_bUsable)
        Quit();
    // A broken or silent connection is not waited for any further.
    if (!m_bUsable && m_nSocket != CURL_SOCKET_BAD)
        ::shutdown(m_nSocket, SHUT_RDWR);
    curl_easy_cleanup(m_pCurl);
}

ULONG CSmtpConnection::Open(const CMailSettings& settings, const std::string& strBearer) {
    m_pCurl = curl_easy_init();
    if (!m_pCurl)
        return MapiResult::OutOfMemory;
    if (const ULONG nResult = Configure(settings, strBearer); nResult != SUCCESS_SUCCESS)
        return nResult;
    m_szError[0] = '\0';
    m_tLastExchange = Clock::now();
    const CURLcode eCode = curl_easy_perform(m_pCurl);
    // The watchdog and the EHLO reply are of the login only.
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 0L);
    if (eCode != CURLE_OK)
        return FailureOf(eCode);
    if (curl_easy_getinfo(m_pCurl, CURLINFO_ACTIVESOCKET, &m_nSocket) != CURLE_OK ||
        m_nSocket == CURL_SOCKET_BAD)
        return MapiResult::ConnectionLost;
    m_bUsable = true;
    return SUCCESS_SUCCESS;
}

// CURLOPT_VERBOSE only feeds the watchdog's debug function, which shows
// nothing: the trace holds the login.
ULONG CSmtpConnection::Configure(const CMailSettings& settings, const std::string& strBearer) {
    const std::unique_ptr<CURLU, UrlFree> pUrl(curl_url());
    if (!pUrl || curl_url_set(pUrl.get(), CURLUPART_URL, settings.m_strServer.c_str(), 0) != CURLUE_OK)
        return MapiResult::SettingsInvalid;
    const std::string strScheme = UrlPart(pUrl.get(), CURLUPART_SCHEME);
    if (strScheme != "smtp" && strScheme != "smtps")
        return MapiResult::SettingsInvalid;
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
        return nResult;
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
    return SUCCESS_SUCCESS;
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

// While libcurl logs in, it gives up on a silent server after the limit, but
// then says QUIT to it and waits the limit once more for the answer. The
// watchdog notes when the server last answered or a command went out; a QUIT
// sent after the server has been silent for the limit shuts the connection
// down at once, so that nobody waits for an answer that will not come. It
// also notes whether the last EHLO reply offers PIPELINING. Nothing of the
// conversation (the login) is kept or shown.
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
    const auto tNow = Clock::now();
    const std::string_view strLine(pData, nSize);
    if (eType == CURLINFO_HEADER_OUT && strLine.starts_with("QUIT")) {
        if (tNow - pConnection->m_tLastExchange >= pConnection->m_stallLimit &&
            pConnection->m_nSocket != CURL_SOCKET_BAD)
            ::shutdown(pConnection->m_nSocket, SHUT_RDWR);
        return 0;
    }
    if (eType == CURLINFO_HEADER_OUT && strLine.starts_with("EHLO"))
        pConnection->m_bPipelining = false;
    if (eType == CURLINFO_HEADER_IN && OffersExtension(strLine, "PIPELINING"))
        pConnection->m_bPipelining = true;
    if (eType == CURLINFO_HEADER_OUT || eType == CURLINFO_HEADER_IN || eType == CURLINFO_DATA_OUT ||
        eType == CURLINFO_SSL_DATA_IN)
        pConnection->m_tLastExchange = tNow;
    return 0;
}

ULONG CSmtpConnection::FailureOf(CURLcode eCode) {
    switch (eCode) {
    case CURLE_OK:
        return SUCCESS_SUCCESS;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return MapiResult::ServerUnreachable;
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return MapiResult::LoginDenied;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return MapiResult::TlsFailed;
    case CURLE_OUT_OF_MEMORY:
        return MapiResult::OutOfMemory;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return MapiResult::SettingsInvalid;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return MapiResult::ConnectionLost;
    default:
        return MapiResult::Unexpected;
    }
}

ULONG CSmtpConnection::BreakResult() const {
    return m_bStalled ? MapiResult::ServerUnreachable : MapiResult::ConnectionLost;
}

// Waits until the socket is ready for nEvents; after the limit the server
// counts as silent. Either way of failing leaves the connection unusable.
bool CSmtpConnection::WaitFor(short nEvents, milliseconds limit) {
    const auto tGiveUp = Clock::now() + limit;
    for (;;) {
        const auto remaining = std::chrono::duration_cast<milliseconds>(tGiveUp - Clock::now());
        pollfd waited{m_nSocket, nEvents, 0};
        const int nReady = ::poll(&waited, 1, static_cast<int>(std::max<long>(0, remaining.count())));
        if (nReady > 0)
            return true;
        if (nReady < 0 && errno == EINTR)
            continue;
        m_bStalled = nReady == 0;
        m_bUsable = false;
        return false;
    }
}

bool CSmtpConnection::IsQuiet() {
    pollfd waited{m_nSocket, POLLIN, 0};
    if (m_bUsable && ::poll(&waited, 1, 0) != 0)
        m_bUsable = false;
    return m_bUsable;
}

bool CSmtpConnection::Write(std::string_view strData) {
    while (m_bUsable && !strData.empty()) {
        size_t nSent = 0;
        const CURLcode eCode = curl_easy_send(m_pCurl, strData.data(), strData.size(), &nSent);
        if (eCode == CURLE_AGAIN) {
            WaitFor(POLLOUT, m_stallLimit);
            continue;
        }
        if (eCode != CURLE_OK)
            m_bUsable = false;
        strData.remove_prefix(nSent);
    }
    return m_bUsable;
}

bool CSmtpConnection::ReceiveMore(milliseconds limit) {
    char buffer[kReceiveBytes];
    while (m_bUsable) {
        size_t nReceived = 0;
        const CURLcode eCode = curl_easy_recv(m_pCurl, buffer, sizeof buffer, &nReceived);
        if (eCode == CURLE_AGAIN) {
            WaitFor(POLLIN, limit);
            continue;
        }
        // Zero bytes: the server closed the connection.
        if (eCode != CURLE_OK || nReceived == 0) {
            m_bUsable = false;
            break;
        }
        m_parser.Feed(std::string_view(buffer, nReceived));
        return true;
    }
    return false;
}

std::optional<CSmtpConnection::Reply> CSmtpConnection::ReadReply() {
    return ReadReply(m_stallLimit);
}

std::optional<CSmtpConnection::Reply> CSmtpConnection::ReadReply(milliseconds limit) {
    for (;;) {
        if (std::optional<Reply> reply = m_parser.Next()) {
            ++m_nRepliesRead;
            return reply;
        }
        if (m_parser.IsGarbled() || !ReceiveMore(limit))
            break;
    }
    m_bUsable = false;
    return std::nullopt;
}

void CSmtpConnection::Quit() {
    if (Write("QUIT\r\n"))
        ReadReply(std::min(m_stallLimit, kQuitWait));
}
