#pragma once

#include "CSmtpTestServer.h"
#include "platform/mapi/CorvaneLastResult.h"

#include <QString>
#include <QStringList>
#include <memory>

// The fixture of the tests that script a server's answers: the scripted
// server (scripted_smtp_server.py) with a login, the settings file that
// points the mail library at it, and the program's round for one mail.
class CScriptedMail {
public:
    static const QString kUser;
    static const QString kPassword;

    // The servers get folders server1, server2, ... in strFolder.
    explicit CScriptedMail(QString strFolder);

    // A server that did not start has port 0; its complaint is warned.
    std::unique_ptr<CSmtpTestServer> StartServer(const QStringList& arrOptions = {});
    // [MailSystem]: the server by smtp://, the login, a sender.
    static void Configure(const CSmtpTestServer& server, const QString& strPassword = kPassword);
    // Load, logon, send, logoff and unload, as the program does for each
    // mail; pResult gets how the logon or send that decided it ended.
    static ULONG SendOne(int nMail = 0, const QString& strBody = QStringLiteral("Hello"),
                         CorvaneResult* pResult = nullptr);

private:
    QString m_strFolder;
    int m_nServers = 0;
};
