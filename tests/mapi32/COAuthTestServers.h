#pragma once

#include "CSmtpTestServer.h"

#include <QString>
#include <QStringList>

// The sign-in's test servers on 127.0.0.1, each in a folder of its own under
// strFolder: the authorization server of oauth_server.py and an SMTP server
// (smtp_server.py --oauth) that accepts a login only with an access token
// the first issued; and the settings that send through them with
// Auth=oauth2 and the provider "custom".
class COAuthTestServers {
public:
    static constexpr const char* kUser = "jane@example.com";
    static constexpr const char* kClientId = "corvane-test";
    static constexpr const char* kProvider = "custom";

    explicit COAuthTestServers(const QString& strFolder);

    // Options as the scripts take them. False, with the complaint in
    // ErrorText(), when a server did not come up.
    bool StartAuthority(const QStringList& arrOptions = {});
    bool StartSmtp(const QStringList& arrOptions = {});
    QString ErrorText() const { return m_strError; }

    // [MailSystem] for both servers (the SMTP server's only when started).
    void WriteSettings() const;
    // http://127.0.0.1:<port>/<strPath> of the authorization server.
    QString Endpoint(const QString& strPath) const;
    // As a user who withdraws the application's access: no refresh token
    // and no access token is accepted any more.
    void Revoke() const;

    // Every token the authorization server issued, and every grant it made.
    QStringList Issued() const;
    QStringList Grants() const;
    // The client_secret of each token request, "-" where none came.
    QStringList ClientSecrets() const;
    // How much too soon each poll of a sign-in with a code came that came
    // sooner than the server allowed.
    QStringList TooFastPolls() const;
    // The mechanism of each login to the SMTP server.
    QStringList Mechanisms() const;

    CSmtpTestServer& Smtp() { return m_smtp; }
    CSmtpTestServer& Authority() { return m_authority; }

private:
    QStringList Lines(const QString& strFolder, const QString& strFile) const;

    QString m_strAuthorityFolder;
    QString m_strSmtpFolder;
    CSmtpTestServer m_authority;
    CSmtpTestServer m_smtp;
    QString m_strError;
};
