#include "COAuthTestServers.h"

#include "platform/oauth/COAuthSettings.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

COAuthTestServers::COAuthTestServers(const QString& strFolder)
    : m_strAuthorityFolder(strFolder + u"/authority"_s),
      m_strSmtpFolder(strFolder + u"/smtp"_s),
      m_authority(m_strAuthorityFolder),
      m_smtp(m_strSmtpFolder) {}

bool COAuthTestServers::StartAuthority(const QStringList& arrOptions) {
    if (m_authority.Start(arrOptions, u"oauth_server.py"_s))
        return true;
    m_strError = m_authority.ErrorText();
    return false;
}

bool COAuthTestServers::StartSmtp(const QStringList& arrOptions) {
    const QStringList arrOAuth{u"--user"_s, QString::fromLatin1(kUser), u"--oauth"_s,
                               m_strAuthorityFolder};
    if (m_smtp.Start(arrOAuth + arrOptions))
        return true;
    m_strError = m_smtp.ErrorText();
    return false;
}

void COAuthTestServers::WriteSettings() const {
    const auto Write = [](const QString& strKey, const QString& strValue) {
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem, strKey, strValue);
    };
    using S = COAuthSettings;
    Write(CProfileSettings::kKeyTransport, CProfileSettings::kTransportSmtp);
    if (m_smtp.Port() > 0)
        Write(CProfileSettings::kKeyServer, m_smtp.Url(u"smtp"_s));
    Write(CProfileSettings::kKeyUser, QString::fromLatin1(kUser));
    Write(CProfileSettings::kKeySender, u"Jane Doe <%1>"_s.arg(QString::fromLatin1(kUser)));
    Write(S::kKeyAuth, S::kAuthOAuth2);
    Write(S::kKeyProvider, QString::fromLatin1(kProvider));
    Write(S::kKeyClientId, QString::fromLatin1(kClientId));
    Write(S::kKeyAuthorizeUrl, Endpoint(u"authorize"_s));
    Write(S::kKeyTokenUrl, Endpoint(u"token"_s));
    Write(S::kKeyDeviceUrl, Endpoint(u"devicecode"_s));
    Write(S::kKeyScope, u"https://mail.example.com/smtp offline_access"_s);
}

QString COAuthTestServers::Endpoint(const QString& strPath) const {
    return m_authority.Url(u"http"_s) + u'/' + strPath;
}

void COAuthTestServers::Revoke() const {
    QFile file(QDir(m_strAuthorityFolder).filePath(u"revoked"_s));
    file.open(QIODevice::WriteOnly);
}

QStringList COAuthTestServers::Issued() const {
    return Lines(m_strAuthorityFolder, u"issued"_s);
}

QStringList COAuthTestServers::Grants() const {
    return Lines(m_strAuthorityFolder, u"grants"_s);
}

QStringList COAuthTestServers::ClientSecrets() const {
    return Lines(m_strAuthorityFolder, u"secrets"_s);
}

QStringList COAuthTestServers::TooFastPolls() const {
    return Lines(m_strAuthorityFolder, u"too_fast"_s);
}

QStringList COAuthTestServers::Mechanisms() const {
    return Lines(m_strSmtpFolder, u"mechanisms"_s);
}

QStringList COAuthTestServers::Lines(const QString& strFolder, const QString& strFile) const {
    QFile file(QDir(strFolder).filePath(strFile));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
