#include "platform/oauth/COAuthClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <memory>

namespace {

constexpr int kReplyTimeoutMs = 60 * 1000;

// application/x-www-form-urlencoded, every reserved character encoded ("+"
// too, which the form encoding reads as a blank).
QByteArray FormBody(const COAuthClient::Form& form) {
    QByteArray body;
    for (const auto& [strName, strValue] : form) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(strName) + '=' + QUrl::toPercentEncoding(strValue);
    }
    return body;
}

} // namespace

COAuthClient::COAuthClient(QObject* pParent)
    : QObject(pParent), m_pNetwork(new QNetworkAccessManager(this)) {}

// The body is collected as it comes, and a reply that outgrows the limit is
// cut off, so that no endpoint costs more memory than that.
void COAuthClient::Post(const QUrl& url, const Form& form, Callback callback) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kReplyTimeoutMs);
    QNetworkReply* pReply = m_pNetwork->post(request, FormBody(form));
    auto pBody = std::make_shared<QByteArray>();
    connect(pReply, &QNetworkReply::readyRead, pReply, [pReply, pBody] {
        *pBody += pReply->read(COAuthReply::kMaxBytes + 1 - pBody->size());
        if (pBody->size() > COAuthReply::kMaxBytes)
            pReply->abort();
    });
    connect(pReply, &QNetworkReply::finished, this, [pReply, pBody, callback = std::move(callback)] {
        pReply->deleteLater();
        const int nStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (pBody->size() <= COAuthReply::kMaxBytes)
            *pBody += pReply->read(COAuthReply::kMaxBytes + 1 - pBody->size());
        callback(COAuthReply::Of(nStatus, *pBody));
    });
}
