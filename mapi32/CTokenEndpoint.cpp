#include "mapi32/CTokenEndpoint.h"

#include "mapi32/CSendAbort.h"
#include "mapi32/CSmtpConnection.h"

#include <curl/curl.h>
#include <memory>

namespace {

constexpr long kConnectTimeoutSeconds = 30;
// The longest wait between two looks at libcurl's own limits.
constexpr int kPollMs = 250;

struct CurlFree {
    void operator()(CURL* pCurl) const { curl_easy_cleanup(pCurl); }
};

struct MultiFree {
    void operator()(CURLM* pMulti) const { curl_multi_cleanup(pMulti); }
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

// The transfer, driven here rather than by curl_easy_perform so that the
// wait also watches for an abort. Nothing when the call was aborted.
std::optional<CURLcode> Perform(CURL* pCurl) {
    const std::unique_ptr<CURLM, MultiFree> pMulti(curl_multi_init());
    if (!pMulti || curl_multi_add_handle(pMulti.get(), pCurl) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    CURLcode eResult = CURLE_GOT_NOTHING;
    for (int nRunning = 1; nRunning > 0;) {
        if (curl_multi_perform(pMulti.get(), &nRunning) != CURLM_OK) {
            eResult = CURLE_OUT_OF_MEMORY;
            break;
        }
        curl_waitfd abort{CSendAbort::Fd(), CURL_WAIT_POLLIN, 0};
        if (nRunning > 0)
            curl_multi_poll(pMulti.get(), &abort, abort.fd >= 0 ? 1 : 0, kPollMs, nullptr);
        if (CSendAbort::IsAborted()) {
            curl_multi_remove_handle(pMulti.get(), pCurl);
            return std::nullopt;
        }
    }
    int nLeft = 0;
    while (const CURLMsg* pMessage = curl_multi_info_read(pMulti.get(), &nLeft)) {
        if (pMessage->msg == CURLMSG_DONE)
            eResult = pMessage->data.result;
    }
    curl_multi_remove_handle(pMulti.get(), pCurl);
    return eResult;
}

} // namespace

std::optional<COAuthReply> CTokenEndpoint::Post(const std::string& strUrl, const Form& form) {
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
    const std::optional<CURLcode> eResult = Perform(pHandle);
    if (!eResult)
        return std::nullopt;
    if (*eResult != CURLE_OK)
        return COAuthReply::Of(0, {});
    long nStatus = 0;
    curl_easy_getinfo(pHandle, CURLINFO_RESPONSE_CODE, &nStatus);
    return COAuthReply::Of(static_cast<int>(nStatus), reply);
}
