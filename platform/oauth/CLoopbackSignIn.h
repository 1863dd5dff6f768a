#pragma once

#include "platform/oauth/CSignIn.h"

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <functional>

class QTcpSocket;
class QUrl;

// The sign-in in the system's browser: the authorization code grant with
// PKCE (RFC 7636, S256). The browser is sent to the provider, which sends
// it back to http://127.0.0.1:<free port> with the code. That port listens
// on 127.0.0.1 alone and takes exactly one request, then closes; an answer
// whose state is not this sign-in's is refused, so no other page can slip
// its code in.
class CLoopbackSignIn : public CSignIn {
    Q_OBJECT

public:
    // Opens a page in the user's browser; false when none could be opened.
    using BrowserOpener = std::function<bool(const QUrl&)>;

    CLoopbackSignIn(COAuthSettings settings, BrowserOpener openBrowser,
                    QObject* pParent = nullptr);

    void Start() override;

private:
    QUrl AuthorizeUrl() const;
    void OnConnection();
    void OnRequestData();
    void TakeAnswer(const QByteArray& target);
    void AnswerBrowser(bool bAccepted);

    BrowserOpener m_openBrowser;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_pRequest;
    QByteArray m_request;
    QTimer m_timeout;
    QString m_strRedirectUri;
    QString m_strVerifier;
    QString m_strState;
};
