#include "mapi32/CSmtpTransport.h"

#include "mapi32/CMailSettings.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <glib.h>
#include <memory>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr long kConnectTimeoutSeconds = 30;
// A server that answers no command and takes no data for this long is given
// up on; the environment variable lets tests wait seconds instead.
constexpr long kStallSeconds = 60;
constexpr const char* kStallSecondsVariable = "CORVANE_MAIL_STALL_SECONDS";
// RFC 5321's "exceeded storage allocation"; for MAIL also RFC 1870's
// "message size exceeds fixed maximum".
constexpr long kExceededStorage = 552;
constexpr long kFirstPermanentReply = 500;

struct UrlFree {
    void operator()(CURLU* pUrl) const { curl_url_cleanup(pUrl); }
};

struct SlistFree {
    void operator()(curl_slist* pList) const { curl_slist_free_all(pList); }
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

long StallSeconds() {
    const char* pValue = std::getenv(kStallSecondsVariable);
    const long nSeconds = pValue ? std::strtol(pValue, nullptr, 10) : 0;
    return nSeconds > 0 ? nSeconds : kStallSeconds;
}

// What a reply the server refused a mail with means (RFC 5321). libcurl names
// the refused command at the start of its error text; the answer to the end
// of the data comes without a name.
ULONG RefusalOf(long nReply, std::string_view strError) {
    if (nReply < kFirstPermanentReply)
        return MapiResult::TemporaryFailure;
    if (strError.starts_with("RCPT"))
        // The old "too many recipients", which RFC 5321 says to take as 452.
        return nReply == kExceededStorage ? MapiResult::TemporaryFailure
                                          : MapiResult::RecipientRefused;
    if (strError.starts_with("MAIL"))
        return nReply == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::SenderRefused;
    if (strError.starts_with("DATA"))
        return MapiResult::MessageRefused;
    return nReply == kExceededStorage ? MapiResult::MessageTooLarge : MapiResult::MessageRefused;
}

// A connection that broke before the server answered anything in this
// transfer: nothing of the mail can have been accepted.
bool BrokeBeforeAnyReply(CURLcode eCode, long nReply) {
    return nReply == 0 &&
           (eCode == CURLE_SEND_ERROR || eCode == CURLE_RECV_ERROR || eCode == CURLE_GOT_NOTHING);
}

} // namespace

CSmtpTransport::CSmtpTransport(const CMailSettings& settings) : m_settings(settings) {}

// A connection in good order stays open for the next session.
CSmtpTransport::~CSmtpTransport() {
    if (!m_pCurl)
        return;
    if (!m_bConnectionUsable) {
        // After a stall libcurl may still hold the connection and would wait
        // the limit once more for the answer to its QUIT.
        if (m_eLastCode == CURLE_OPERATION_TIMEDOUT && m_nSocket != CURL_SOCKET_BAD)
            ::shutdown(m_nSocket, SHUT_RDWR);
        curl_easy_cleanup(m_pCurl);
        return;
    }
    ForgetThisTransport();
    CIdleConnection::Park(m_pCurl, m_nSocket, ConnectionKey());
}

// A parked handle's QUIT (at the next logon or at exit) must not reach this
// transport's callbacks and buffer, which are gone by then.
void CSmtpTransport::ForgetThisTransport() {
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGFUNCTION, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGDATA, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_CTX_DATA, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTFUNCTION, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTDATA, nullptr);
}

// The connection of the last session with the same settings is taken as it
// is: libcurl checks that it is still open when it uses it. A new one is
// logged in and asked for NOOP, so that a wrong password or an unreachable
// server is reported here.
ULONG CSmtpTransport::Logon() {
    m_pCurl = CIdleConnection::Take(ConnectionKey(), m_nSocket);
    m_bReused = m_pCurl != nullptr;
    m_bConnectionUsable = m_bReused;
    if (!m_pCurl)
        m_pCurl = curl_easy_init();
    if (!m_pCurl)
        return MapiResult::OutOfMemory;
    if (const ULONG nResult = Configure(); nResult != SUCCESS_SUCCESS)
        return nResult;
    if (m_bReused)
        return SUCCESS_SUCCESS;
    curl_easy_setopt(m_pCurl, CURLOPT_CUSTOMREQUEST, "NOOP");
    return Perform(false);
}

CIdleConnection::Key CSmtpTransport::ConnectionKey() const {
    return {m_settings.m_strServer, m_settings.m_strUser, m_settings.m_strPassword,
            m_settings.m_strCaFile};
}

ULONG CSmtpTransport::Deliver(const std::string& strSender, const std::string& strRecipient,
                              const std::string& strMessage) {
    const std::string strFrom = '<' + strSender + '>';
    const std::unique_ptr<curl_slist, SlistFree> pRecipients(
        curl_slist_append(nullptr, ('<' + strRecipient + '>').c_str()));
    if (!pRecipients)
        return MapiResult::OutOfMemory;
    m_strUnsent = strMessage;
    curl_easy_setopt(m_pCurl, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(m_pCurl, CURLOPT_MAIL_FROM, strFrom.c_str());
    curl_easy_setopt(m_pCurl, CURLOPT_MAIL_RCPT, pRecipients.get());
    curl_easy_setopt(m_pCurl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(strMessage.size()));
    ULONG nResult = Perform(true);
    if (m_bReused && BrokeBeforeAnyReply(m_eLastCode, m_nLastReply)) {
        // The kept connection was closed by the server just now: a new one.
        m_strUnsent = strMessage;
        curl_easy_setopt(m_pCurl, CURLOPT_FRESH_CONNECT, 1L);
        nResult = Perform(true);
        curl_easy_setopt(m_pCurl, CURLOPT_FRESH_CONNECT, 0L);
    }
    m_bReused = false;
    curl_easy_setopt(m_pCurl, CURLOPT_MAIL_RCPT, nullptr);
    m_strUnsent = {};
    return nResult;
}

// Everything that stays the same for the session, set again on a kept
// handle (it points to this transport). CURLOPT_VERBOSE only feeds the
// watchdog's debug function, which shows nothing: the trace holds the login.
ULONG CSmtpTransport::Configure() {
    const std::unique_ptr<CURLU, UrlFree> pUrl(curl_url());
    if (!pUrl ||
        curl_url_set(pUrl.get(), CURLUPART_URL, m_settings.m_strServer.c_str(), 0) != CURLUE_OK)
        return MapiResult::SettingsInvalid;
    const std::string strScheme = UrlPart(pUrl.get(), CURLUPART_SCHEME);
    if (strScheme != "smtp" && strScheme != "smtps")
        return MapiResult::SettingsInvalid;
    const bool bPlainAllowed =
        strScheme == "smtp" && IsThisMachine(UrlPart(pUrl.get(), CURLUPART_HOST));

    curl_easy_setopt(m_pCurl, CURLOPT_URL, m_settings.m_strServer.c_str());
    curl_easy_setopt(m_pCurl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(m_pCurl, CURLOPT_USE_SSL,
                     static_cast<long>(bPlainAllowed ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const ULONG nResult = TrustedCertificates(); nResult != SUCCESS_SUCCESS)
        return nResult;
    if (!m_settings.m_strUser.empty()) {
        curl_easy_setopt(m_pCurl, CURLOPT_USERNAME, m_settings.m_strUser.c_str());
        curl_easy_setopt(m_pCurl, CURLOPT_PASSWORD, m_settings.m_strPassword.c_str());
        // AUTH PLAIN with the credentials in the command: one round trip.
        curl_easy_setopt(m_pCurl, CURLOPT_SASL_IR, 1L);
    }
    const long nStallSeconds = StallSeconds();
    m_stallLimit = std::chrono::seconds(nStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_TIME, nStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, nStallSeconds);
    WatchExchanges();
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, m_szError);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEFUNCTION, &CSmtpTransport::DiscardReply);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_READFUNCTION, &CSmtpTransport::ReadMessage);
    curl_easy_setopt(m_pCurl, CURLOPT_READDATA, this);
    return SUCCESS_SUCCESS;
}

// libcurl gives up on a silent server after the limit, but then says QUIT to
// it and waits the limit once more for the answer. The watchdog notes when
// the server last answered or a command went out; a QUIT sent after the
// server has been silent for the limit shuts the connection down at once,
// so that nobody waits for an answer that will not come. The debug function
// only takes the time: nothing of the conversation (the login) is kept or
// shown.
void CSmtpTransport::WatchExchanges() {
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGFUNCTION, &CSmtpTransport::NoteExchange);
    curl_easy_setopt(m_pCurl, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTFUNCTION, &CSmtpTransport::NoteSocket);
    curl_easy_setopt(m_pCurl, CURLOPT_SOCKOPTDATA, this);
}

// libcurl does not name the socket while it closes the connection.
int CSmtpTransport::NoteSocket(void* pThis, curl_socket_t nSocket, curlsocktype) {
    static_cast<CSmtpTransport*>(pThis)->m_nSocket = nSocket;
    return CURL_SOCKOPT_OK;
}

int CSmtpTransport::NoteExchange(CURL*, curl_infotype eType, char* pData, size_t nSize,
                                 void* pThis) {
    auto* pTransport = static_cast<CSmtpTransport*>(pThis);
    const auto tNow = std::chrono::steady_clock::now();
    const bool bQuit =
        eType == CURLINFO_HEADER_OUT && std::string_view(pData, nSize).starts_with("QUIT");
    if (bQuit) {
        if (tNow - pTransport->m_tLastExchange >= pTransport->m_stallLimit &&
            pTransport->m_nSocket != CURL_SOCKET_BAD)
            ::shutdown(pTransport->m_nSocket, SHUT_RDWR);
        return 0;
    }
    if (eType == CURLINFO_HEADER_OUT || eType == CURLINFO_HEADER_IN || eType == CURLINFO_DATA_OUT ||
        eType == CURLINFO_SSL_DATA_IN)
        pTransport->m_tLastExchange = tNow;
    return 0;
}

// The system's CAs, which libcurl loads, plus those of CAFile, added to
// OpenSSL's store when a TLS connection is set up. (A CA file named to libcurl
// would replace the system's instead.) Plain connections never read either.
ULONG CSmtpTransport::TrustedCertificates() {
    if (m_settings.m_strCaFile.empty())
        return SUCCESS_SUCCESS;
    if (::access(m_settings.m_strCaFile.c_str(), R_OK) != 0 ||
        curl_easy_setopt(m_pCurl, CURLOPT_SSL_CTX_FUNCTION, &CSmtpTransport::AddCaFile) != CURLE_OK)
        return MapiResult::CaFileUnusable;
    curl_easy_setopt(m_pCurl, CURLOPT_SSL_CTX_DATA, this);
    return SUCCESS_SUCCESS;
}

CURLcode CSmtpTransport::AddCaFile(CURL*, void* pSslContext, void* pThis) {
    X509_STORE* pStore = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(pSslContext));
    const std::string& strCaFile = static_cast<CSmtpTransport*>(pThis)->m_settings.m_strCaFile;
    return AddCertificates(pStore, strCaFile) ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

ULONG CSmtpTransport::Perform(bool bSending) {
    m_szError[0] = '\0';
    m_tLastExchange = std::chrono::steady_clock::now();
    m_eLastCode = curl_easy_perform(m_pCurl);
    m_nLastReply = 0;
    curl_easy_getinfo(m_pCurl, CURLINFO_RESPONSE_CODE, &m_nLastReply);
    m_bConnectionUsable = m_eLastCode == CURLE_OK;
    return FailureOf(m_eLastCode, bSending);
}

ULONG CSmtpTransport::FailureOf(CURLcode eCode, bool bSending) const {
    const bool bRefused = bSending && m_nLastReply >= 400;
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
        return bRefused ? RefusalOf(m_nLastReply, m_szError) : MapiResult::ConnectionLost;
    default:
        return MapiResult::Unexpected;
    }
}

size_t CSmtpTransport::ReadMessage(char* pBuffer, size_t nSize, size_t nCount, void* pThis) {
    std::string_view& strUnsent = static_cast<CSmtpTransport*>(pThis)->m_strUnsent;
    const size_t nCopied = std::min(nSize * nCount, strUnsent.size());
    std::memcpy(pBuffer, strUnsent.data(), nCopied);
    strUnsent.remove_prefix(nCopied);
    return nCopied;
}

// The server's answer to NOOP is of no interest.
size_t CSmtpTransport::DiscardReply(char*, size_t nSize, size_t nCount, void*) {
    return nSize * nCount;
}
