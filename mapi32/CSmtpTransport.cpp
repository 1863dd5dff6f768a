#include "mapi32/CSmtpTransport.h"

#include "mapi32/CMailSettings.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <cstring>
#include <glib.h>
#include <memory>

namespace {

constexpr const char* kDefaultCaBundle = "/etc/ssl/certs/ca-certificates.crt";
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

bool ReadFile(const std::string& strPath, std::string& strContent) {
    gchar* pData = nullptr;
    gsize nSize = 0;
    if (!g_file_get_contents(strPath.c_str(), &pData, &nSize, nullptr))
        return false;
    strContent.append(pData, nSize);
    strContent += '\n';
    g_free(pData);
    return true;
}

// The CA bundle that libcurl was built to trust, the system's.
std::string SystemCaBundle(CURL* pCurl) {
    char* pPath = nullptr;
    if (curl_easy_getinfo(pCurl, CURLINFO_CAINFO, &pPath) == CURLE_OK && pPath && *pPath)
        return pPath;
    return kDefaultCaBundle;
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
    curl_easy_setopt(m_pCurl, CURLOPT_ERRORBUFFER, m_szError);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEFUNCTION, &CSmtpTransport::DiscardReply);
    curl_easy_setopt(m_pCurl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_pCurl, CURLOPT_READFUNCTION, &CSmtpTransport::ReadMessage);
    curl_easy_setopt(m_pCurl, CURLOPT_READDATA, this);
    return SUCCESS_SUCCESS;
}

// The system's CAs plus those of CAFile, as one bundle in memory: a CA file
// given to libcurl by name would replace the system's instead.
ULONG CSmtpTransport::TrustedCertificates() {
    m_strCertificates.clear();
    ReadFile(SystemCaBundle(m_pCurl), m_strCertificates);
    if (!m_settings.m_strCaFile.empty() && !ReadFile(m_settings.m_strCaFile, m_strCertificates))
        return MapiResult::CaFileUnreadable;
    if (m_strCertificates.empty())
        return SUCCESS_SUCCESS;
    curl_blob blob{m_strCertificates.data(), m_strCertificates.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(m_pCurl, CURLOPT_CAINFO_BLOB, &blob);
    return SUCCESS_SUCCESS;
}

ULONG CSmtpTransport::Perform(bool bSending) {
    m_szError[0] = '\0';
    return FailureOf(curl_easy_perform(m_pCurl), bSending);
}

ULONG CSmtpTransport::FailureOf(CURLcode eCode, bool bSending) const {
    long nReply = 0;
    curl_easy_getinfo(m_pCurl, CURLINFO_RESPONSE_CODE, &nReply);
    const bool bRefused = bSending && nReply >= 400;
    const std::string_view strError(m_szError);
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
        if (!bRefused)
            return MapiResult::ConnectionLost;
        // libcurl names the refused command at the start of its message.
        if (nReply == kMessageTooLarge)
            return MapiResult::MessageTooLarge;
        if (strError.starts_with("MAIL"))
            return MapiResult::SenderRefused;
        if (strError.starts_with("RCPT"))
            return MapiResult::RecipientRefused;
        return MapiResult::MessageRefused;
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
