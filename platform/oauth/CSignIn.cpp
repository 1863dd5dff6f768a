#include "platform/oauth/CSignIn.h"

#include <QUrl>

CSignIn::CSignIn(COAuthSettings settings, QObject* pParent)
    : QObject(pParent), m_settings(std::move(settings)) {}

void CSignIn::Post(const QString& strUrl, const COAuthClient::Form& form,
                   COAuthClient::Callback callback) {
    m_client.Post(QUrl(strUrl), form, std::move(callback));
}

void CSignIn::RequestTokens(COAuthClient::Form grant) {
    grant.append({QStringLiteral("client_id"), m_settings.m_strClientId});
    if (!m_settings.m_strClientSecret.isEmpty())
        grant.append({QStringLiteral("client_secret"), m_settings.m_strClientSecret});
    Post(m_settings.m_strTokenUrl, grant,
         [this](const COAuthReply& reply) { OnTokenReply(reply); });
}

void CSignIn::OnTokenReply(const COAuthReply& reply) {
    if (reply.IsSuccess())
        KeepTokens(reply);
    else
        Fail(ReplyProblem(reply));
}

// Without a refresh token the mail library could not log in later, so a
// sign-in that brings none has failed.
void CSignIn::KeepTokens(const COAuthReply& reply) {
    const QString strRefreshToken = reply.Text(QLatin1String("refresh_token"));
    if (strRefreshToken.isEmpty()) {
        Fail(QStringLiteral("%1 gave no refresh token, so Corvane could not send later: the "
                            "scope must allow offline access (offline_access at Microsoft).")
                 .arg(m_settings.ProviderName()));
        return;
    }
    const CTokenStore::Place ePlace =
        CTokenStore::Store(m_settings.m_strProvider, m_settings.m_strUser, strRefreshToken);
    if (ePlace == CTokenStore::Place::None) {
        Fail(QStringLiteral("The sign-in could not be kept: neither the desktop keyring nor "
                            "\"%1\" could be written.")
                 .arg(CTokenStore::FilePath()));
        return;
    }
    Finish({CSignInOutcome::Result::SignedIn, ePlace, QString()});
}

void CSignIn::Fail(const QString& strProblem, CSignInOutcome::Result eResult) {
    Finish({eResult, CTokenStore::Place::None, strProblem});
}

void CSignIn::Finish(const CSignInOutcome& outcome) {
    if (m_bFinished)
        return;
    m_bFinished = true;
    Q_EMIT finished(outcome);
}

QString CSignIn::ReplyProblem(const COAuthReply& reply) const {
    if (reply.IsUnreachable())
        return QStringLiteral("The sign-in server %1 cannot be reached.")
            .arg(QUrl(m_settings.m_strTokenUrl).host());
    if (reply.IsTemporary())
        return QStringLiteral("The sign-in server gave no usable answer (%1); try again later.")
            .arg(reply.Error());
    return QStringLiteral("%1 refused the sign-in (%2).")
        .arg(m_settings.ProviderName(), reply.Error());
}
