#pragma once

#include "platform/oauth/COAuthClient.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/oauth/CSignInOutcome.h"

#include <QObject>

// One OAuth 2.0 sign-in for the settings in force, from its start to the
// refresh token in the store (CTokenStore, under the provider and the user).
// The access token that comes with it is not kept: the mail library gets
// its own. Destroying the object abandons the sign-in.
class CSignIn : public QObject {
    Q_OBJECT

public:
    // Begins the sign-in; finished follows once.
    virtual void Start() = 0;

Q_SIGNALS:
    void finished(const CSignInOutcome& outcome);

protected:
    CSignIn(COAuthSettings settings, QObject* pParent);

    // Posts a form to an endpoint of the provider.
    void Post(const QString& strUrl, const COAuthClient::Form& form,
              COAuthClient::Callback callback);
    // Posts a grant to the token endpoint, with the client's id (and secret);
    // the reply goes to OnTokenReply.
    void RequestTokens(COAuthClient::Form grant);
    // Keeps the refresh token of a successful reply; any other ends the
    // sign-in.
    virtual void OnTokenReply(const COAuthReply& reply);
    void Fail(const QString& strProblem,
              CSignInOutcome::Result eResult = CSignInOutcome::Result::Failed);
    // Why a reply that brought no tokens ends the sign-in, for the user.
    QString ReplyProblem(const COAuthReply& reply) const;
    bool IsFinished() const { return m_bFinished; }

    const COAuthSettings m_settings;

private:
    void KeepTokens(const COAuthReply& reply);
    void Finish(const CSignInOutcome& outcome);

    COAuthClient m_client;
    bool m_bFinished = false;
};
