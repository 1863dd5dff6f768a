#include "mapi32/CTokenEndpoint.h"

#include "mapi32/CSmtpConnection.h"

#include <curl/curl.h>
#include <memory>

namespace {

constexpr long kConnectTimeoutSeconds = 30;

struct CurlFree {
    void operator()(CURL* pCurl) const { curl_easy_cleanup(pCurl); }
};

struct CurlTextFree {
    void operator()(char* pText) const { curl_free(pText); }
};

struct HeaderListFree {
    void operator()(curl_slist* pList) const { curl_slist_free_all(pList); }
};

std::string Encoded(CURL* pCurl, const std::string& strValue) {
    const std::unique_ptr<char, CurlTextFree> pEncoded(
        curl_easy_escape(pCurl, strValue.data(), static_cast<int>(strValue.size())));
    return pEncoded ? pEncoded.get() : std::string();
}

std::string FormBody(CURL* pCurl, const CTokenEndpoint::Form& form) {
    std::string strBody;
    for (const auto& [pName, strValue] : form) {
        if (!strBody.empty())
            strBody += '&';
        strBody += pName;
        strBody += '=';
        strBody += Encoded(pCurl, strValue);
    }
    return strBody;
}

// Keeps the body up to the reply's limit; a longer one ends the transfer.
size_t CollectBody(char* pData, size_t nSize, size_t nCount, void* pBody) {
    auto* pCollected = static_cast<QByteArray*>(pBody);
    const size_t nBytes = nSize * nCount;
    if (pCollected->size() + qsizetype(nBytes) > COAuthReply::kMaxBytes)
        return 0;
    pCollected->append(pData, qsizetype(nBytes));
    return nBytes;
}

} // namespace

COAuthReply CTokenEndpoint::Post(const std::string& strUrl, const Form& form) {
    const std::unique_ptr<CURL, CurlFree> pCurl(curl_easy_init());
    if (!pCurl)
        return COAuthReply::Of(0, {});
    CURL* pHandle = pCurl.get();
    const std::string strBody = FormBody(pHandle, form);
    const std::unique_ptr<curl_slist, HeaderListFree> pHeaders(
        curl_slist_append(nullptr, "Accept: application/json"));
    QByteArray reply;
    const long nStallSeconds = CSmtpConnection::StallSeconds();
    curl_easy_setopt(pHandle, CURLOPT_URL, strUrl.c_str());
    curl_easy_setopt(pHandle, CURLOPT_PROTOCOLS_STR, "https,http");
    curl_easy_setopt(pHandle, CURLOPT_POSTFIELDS, strBody.c_str());
    curl_easy_setopt(pHandle, CURLOPT_HTTPHEADER, pHeaders.get());
    curl_easy_setopt(pHandle, CURLOPT_WRITEFUNCTION, &CollectBody);
    curl_easy_setopt(pHandle, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(pHandle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(pHandle, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(pHandle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pHandle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(pHandle, CURLOPT_TIMEOUT, nStallSeconds);
    if (curl_easy_perform(pHandle) != CURLE_OK)
        return COAuthReply::Of(0, {});
    long nStatus = 0;
    curl_easy_getinfo(pHandle, CURLINFO_RESPONSE_CODE, &nStatus);
    return COAuthReply::Of(static_cast<int>(nStatus), reply);
}
