#include "platform/oauth/CLoopbackSignIn.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>
#include <array>

namespace {

// The user has this long to finish in the browser.
constexpr int kBrowserWaitMs = 10 * 60 * 1000;
// A request line and headers, as browsers send them, fit many times over.
constexpr qsizetype kMaxRequestBytes = 16 * 1024;

QString Base64Url(const QByteArray& bytes) {
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// 32 bytes from the system's random source: 43 characters, as RFC 7636 asks.
QString RandomText() {
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return Base64Url(QByteArray(reinterpret_cast<const char*>(words.data()),
                                qsizetype(sizeof words)));
}

QString S256(const QString& strVerifier) {
    return Base64Url(QCryptographicHash::hash(strVerifier.toLatin1(), QCryptographicHash::Sha256));
}

// "GET /?code=...&state=... HTTP/1.1" gives "/?code=...&state=...".
QByteArray RequestTarget(const QByteArray& request) {
    const QByteArray line = request.left(request.indexOf('\n')).trimmed();
    const QList<QByteArray> parts = line.split(' ');
    return parts.size() == 3 && parts[0] == "GET" ? parts[1] : QByteArray();
}

} // namespace

CLoopbackSignIn::CLoopbackSignIn(COAuthSettings settings, BrowserOpener openBrowser,
                                 QObject* pParent)
    : CSignIn(std::move(settings), pParent), m_openBrowser(std::move(openBrowser)) {
    m_timeout.setSingleShot(true);
    connect(&m_server, &QTcpServer::newConnection, this, &CLoopbackSignIn::OnConnection);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_server.close();
        Fail(QStringLiteral("No answer came from the browser; start the sign-in again."));
    });
}

void CLoopbackSignIn::Start() {
    if (const auto eProblem = m_settings.CheckBrowserSignIn();
        eProblem != COAuthSettings::Problem::None) {
        Fail(COAuthSettings::ProblemText(eProblem));
        return;
    }
    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        Fail(QStringLiteral("No port on this machine is free for the browser's answer."));
        return;
    }
    // Providers compare a loopback redirect with the registered one leaving
    // out only the port: it goes with no path, as http://127.0.0.1 is
    // registered.
    m_strRedirectUri = QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    m_strVerifier = RandomText();
    m_strState = RandomText();
    m_timeout.start(kBrowserWaitMs);
    if (!m_openBrowser(AuthorizeUrl())) {
        m_timeout.stop();
        m_server.close();
        Fail(QStringLiteral("No browser could be opened."), CSignInOutcome::Result::NoBrowser);
    }
}

QUrl CLoopbackSignIn::AuthorizeUrl() const {
    QUrl url(m_settings.m_strAuthorizeUrl);
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("client_id"), m_settings.m_strClientId);
    query.addQueryItem(QStringLiteral("redirect_uri"), m_strRedirectUri);
    query.addQueryItem(QStringLiteral("scope"), m_settings.m_strScope);
    query.addQueryItem(QStringLiteral("state"), m_strState);
    query.addQueryItem(QStringLiteral("code_challenge"), S256(m_strVerifier));
    query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    // The provider offers the account of the settings. Google hands out a
    // refresh token only when asked for offline access, and after the first
    // sign-in only when asked for consent again.
    query.addQueryItem(QStringLiteral("login_hint"), m_settings.m_strUser);
    if (m_settings.m_strProvider == COAuthSettings::kProviderGoogle) {
        query.addQueryItem(QStringLiteral("access_type"), QStringLiteral("offline"));
        query.addQueryItem(QStringLiteral("prompt"), QStringLiteral("consent"));
    }
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

// One request, then the port closes: a second one finds nobody listening.
void CLoopbackSignIn::OnConnection() {
    QTcpSocket* pSocket = m_server.nextPendingConnection();
    m_server.close();
    if (m_pRequest || !pSocket)
        return;
    m_pRequest = pSocket;
    pSocket->setParent(this);
    connect(pSocket, &QTcpSocket::readyRead, this, &CLoopbackSignIn::OnRequestData);
    connect(pSocket, &QTcpSocket::disconnected, this, [this] {
        if (!IsFinished() && m_request.indexOf("\r\n\r\n") < 0)
            Fail(QStringLiteral("The browser's answer broke off; start the sign-in again."));
    });
}

void CLoopbackSignIn::OnRequestData() {
    m_request += m_pRequest->read(kMaxRequestBytes + 1 - m_request.size());
    if (m_request.size() > kMaxRequestBytes) {
        AnswerBrowser(false);
        Fail(QStringLiteral("The browser's answer was not one of a sign-in."));
        return;
    }
    if (m_request.indexOf("\r\n\r\n") >= 0)
        TakeAnswer(RequestTarget(m_request));
}

// The query is form-encoded, where "+" stands for a blank.
void CLoopbackSignIn::TakeAnswer(const QByteArray& target) {
    m_timeout.stop();
    disconnect(m_pRequest, nullptr, this, nullptr);
    QByteArray query = target.mid(target.indexOf('?') + 1);
    const QUrlQuery answer(QString::fromLatin1(query.replace('+', "%20")));
    const auto Value = [&answer](const char* pName) {
        return answer.queryItemValue(QLatin1String(pName), QUrl::FullyDecoded);
    };
    const bool bOurs = target.startsWith("/?") && !m_strState.isEmpty() &&
                       Value("state") == m_strState;
    const QString strCode = Value("code");
    AnswerBrowser(bOurs && !strCode.isEmpty());
    if (!bOurs) {
        Fail(QStringLiteral("The browser brought an answer that is not of this sign-in; nothing "
                            "was kept. Start the sign-in again."));
    } else if (strCode.isEmpty()) {
        const QString strError = COAuthReply::PlainCode(Value("error"));
        Fail(QStringLiteral("%1 refused the sign-in (%2).")
                 .arg(m_settings.ProviderName(),
                      strError.isEmpty() ? QStringLiteral("no code") : strError));
    } else {
        RequestTokens({{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                       {QStringLiteral("code"), strCode},
                       {QStringLiteral("redirect_uri"), m_strRedirectUri},
                       {QStringLiteral("code_verifier"), m_strVerifier}});
    }
}

void CLoopbackSignIn::AnswerBrowser(bool bAccepted) {
    const QByteArray page =
        bAccepted ? QByteArrayLiteral("<!DOCTYPE html><title>Corvane</title><p>Corvane has "
                                      "received the sign-in. You can close this page.")
                  : QByteArrayLiteral("<!DOCTYPE html><title>Corvane</title><p>Corvane did not "
                                      "accept this answer. Return to Corvane and start the "
                                      "sign-in again.");
    m_pRequest->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                      "Cache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(page.size()) + "\r\n\r\n" + page);
    m_pRequest->disconnectFromHost();
}
