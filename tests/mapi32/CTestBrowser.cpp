#include "CTestBrowser.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QTimer>
#include <QUrlQuery>
#include <memory>

namespace {

constexpr int kPageWaitMs = 30000;

} // namespace

CTestBrowser::CTestBrowser(Redirect eRedirect) : m_eRedirect(eRedirect) {}

bool CTestBrowser::Open(const QUrl& url) {
    QTimer::singleShot(0, this, [this, url] { Visit(url); });
    return true;
}

void CTestBrowser::Visit(const QUrl& url) {
    m_redirect = Fetch(url);
    if (m_eRedirect == Redirect::ForgeState) {
        QUrlQuery query(m_redirect);
        query.removeQueryItem(QStringLiteral("state"));
        query.addQueryItem(QStringLiteral("state"), QStringLiteral("forged"));
        m_redirect.setQuery(query);
    }
    Fetch(m_redirect);
}

// The page's redirect, if it has one.
QUrl CTestBrowser::Fetch(const QUrl& url) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    const std::unique_ptr<QNetworkReply> pReply(m_network.get(request));
    QSignalSpy finished(pReply.get(), &QNetworkReply::finished);
    finished.wait(kPageWaitMs);
    return pReply->header(QNetworkRequest::LocationHeader).toUrl();
}
