#include "CScriptedMail.h"

#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>

const QString CScriptedMail::kUser = QStringLiteral("jane");
const QString CScriptedMail::kPassword = QStringLiteral("s3cret");

CScriptedMail::CScriptedMail(QString strFolder) : m_strFolder(std::move(strFolder)) {}

std::unique_ptr<CSmtpTestServer> CScriptedMail::StartServer(const QStringList& arrOptions) {
    auto pServer = std::make_unique<CSmtpTestServer>(
        QDir(m_strFolder).filePath(QStringLiteral("server%1").arg(++m_nServers)));
    if (!pServer->Start(
            QStringList{QStringLiteral("--user"), kUser, QStringLiteral("--password"), kPassword} +
                arrOptions,
            QStringLiteral("scripted_smtp_server.py")))
        qWarning("SMTP server: %s", qPrintable(pServer->ErrorText()));
    return pServer;
}

void CScriptedMail::Configure(const CSmtpTestServer& server, const QString& strPassword) {
    using S = CProfileSettings;
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyTransport, S::kTransportSmtp);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer, server.Url(QStringLiteral("smtp")));
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyUser, kUser);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyPassword, strPassword);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender,
                         QStringLiteral("Jane Doe <jane@example.com>"));
}

ULONG CScriptedMail::SendOne(int nMail, const QString& strBody, CorvaneResult* pResult) {
    CTestMailLibrary library;
    if (!library.IsUsable())
        return MAPI_E_FAILURE;
    CTestMapiMessage message(QStringLiteral("Ann"), "ann@example.org",
                             QStringLiteral("Mail %1").arg(nMail), strBody);
    return library.SendOne(message.Get(), 0, pResult);
}
