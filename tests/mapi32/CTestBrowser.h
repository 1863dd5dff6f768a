#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

// Plays the user's browser in a sign-in: asks for the provider's sign-in
// page (the test authorization server approves at once) and follows its
// redirect to the loopback port. Like a browser it does so later, from the
// event loop, not within the call that opens it.
class CTestBrowser : public QObject {
public:
    // What the browser does with the provider's redirect before following it.
    enum class Redirect { Follow, ForgeState };

    explicit CTestBrowser(Redirect eRedirect = Redirect::Follow);

    // A browser opener for the sign-in: true, and the page opens soon.
    bool Open(const QUrl& url);
    // Where the provider sent the browser back; empty before that.
    QUrl RedirectedTo() const { return m_redirect; }

private:
    void Visit(const QUrl& url);
    QUrl Fetch(const QUrl& url);

    Redirect m_eRedirect;
    QNetworkAccessManager m_network;
    QUrl m_redirect;
};
