#include "mapi32/CSmtpTransport.h"

#include "mapi32/CMailSettings.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <cstring>
#include <glib.h>
#include <memory>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <unistd.h>

namespace {

constexpr long kConnectTimeoutSeconds = 30;
// A server that sends or takes nothing for this long is given up on.
constexpr long kStallSeconds = 60;
constexpr long kMessageTooLarge = 552;

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

// What the server refused while a mail was being sent; libcurl names the
// refused command at the start of its error text.
ULONG RefusalOf(long nReply, std::string_view strError) {
    if (nReply == kMessageTooLarge)
        return MapiResult::MessageTooLarge;
    if (strError.starts_with("MAIL"))
        return MapiResult::SenderRefused;
    if (strError.starts_with("RCPT"))
        return MapiResult::RecipientRefused;
    return MapiResult::MessageRefused;
}

} // namespace

CSmtpTransport::CSmtpTransport(const CMailSettings& settings)
    : m_settings(settings), m_pCurl(curl_easy_init()) {}

CSmtpTransport::~CSmtpTransport() {
    if (m_pCurl)
        curl_easy_cleanup(m_pCurl);
}

ULONG CSmtpTransport::Logon() {
    if (!m_pCurl)
        return MapiResult::OutOfMemory;
    if (const ULONG nResult = Configure(); nResult != SUCCESS_SUCCESS)
        return nResult;
    curl_easy_setopt(m_pCurl, CURLOPT_CUSTOMREQUEST, "NOOP");
    return Perform(false);
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
    const ULONG nResult = Perform(true);
    curl_easy_setopt(m_pCurl, CURLOPT_MAIL_RCPT, nullptr);
    m_strUnsent = {};
    return nResult;
}

// Everything that stays the same for the session. No CURLOPT_VERBOSE: its
// trace would show the login.
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
    }
    curl_easy_setopt(m_pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_pCurl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallSeconds);
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, m_szError);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEFUNCTION, &CSmtpTransport::DiscardReply);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_READFUNCTION, &CSmtpTransport::ReadMessage);
    curl_easy_setopt(m_pCurl, CURLOPT_READDATA, this);
    return SUCCESS_SUCCESS;
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
    return FailureOf(curl_easy_perform(m_pCurl), bSending);
}

ULONG CSmtpTransport::FailureOf(CURLcode eCode, bool bSending) const {
    long nReply = 0;
    curl_easy_getinfo(m_pCurl, CURLINFO_RESPONSE_CODE, &nReply);
    const bool bRefused = bSending && nReply >= 400;
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
        return bRefused ? RefusalOf(nReply, m_szError) : MapiResult::ConnectionLost;
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
