#include "platform/oauth/COAuthSettings.h"

#include "platform/settings/CProfileSettings.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

const QString kMicrosoftBase = QStringLiteral("https://login.microsoftonline.com/%1/oauth2/v2.0/");

QString Setting(const QString& strKey) {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem, strKey)
        .trimmed();
}

// The file's value where it has one, else the preset's.
QString Override(const QString& strKey, const QString& strPreset) {
    const QString strValue = Setting(strKey);
    return strValue.isEmpty() ? strPreset : strValue;
}

bool IsThisMachine(const QString& strHost) {
    return strHost.compare(u"localhost", Qt::CaseInsensitive) == 0 || strHost == u"127.0.0.1" ||
           strHost == u"::1";
}

} // namespace

COAuthSettings::Auth COAuthSettings::ReadAuth() {
    const QString strAuth = Setting(kKeyAuth);
    if (strAuth.isEmpty() || strAuth.compare(kAuthPassword, Qt::CaseInsensitive) == 0)
        return Auth::Password;
    return strAuth.compare(kAuthOAuth2, Qt::CaseInsensitive) == 0 ? Auth::OAuth2 : Auth::Unknown;
}

COAuthSettings COAuthSettings::Read() {
    const QString strProvider = Setting(kKeyProvider).toLower();
    const QString strTenant = Setting(kKeyTenant);
    COAuthSettings settings =
        Preset(strProvider.isEmpty() ? QString(kProviderMicrosoft) : strProvider,
               strTenant.isEmpty() ? QString(kDefaultTenant) : strTenant);
    settings.m_strClientId = Setting(kKeyClientId);
    settings.m_strClientSecret = Setting(kKeyClientSecret);
    settings.m_strAuthorizeUrl = Override(kKeyAuthorizeUrl, settings.m_strAuthorizeUrl);
    settings.m_strTokenUrl = Override(kKeyTokenUrl, settings.m_strTokenUrl);
    settings.m_strDeviceUrl = Override(kKeyDeviceUrl, settings.m_strDeviceUrl);
    settings.m_strScope = Override(kKeyScope, settings.m_strScope);
    settings.m_strUser = Setting(CProfileSettings::kKeyUser);
    return settings;
}

COAuthSettings COAuthSettings::Preset(const QString& strProvider, const QString& strTenant) {
    COAuthSettings settings;
    settings.m_strProvider = strProvider;
    settings.m_strTenant = strTenant;
    if (strProvider == kProviderMicrosoft) {
        const QString strBase = kMicrosoftBase.arg(strTenant);
        settings.m_strAuthorizeUrl = strBase + u"authorize";
        settings.m_strTokenUrl = strBase + u"token";
        settings.m_strDeviceUrl = strBase + u"devicecode";
        settings.m_strScope = QStringLiteral("https://outlook.office.com/SMTP.Send offline_access");
    } else if (strProvider == kProviderGoogle) {
        settings.m_strAuthorizeUrl = QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth");
        settings.m_strTokenUrl = QStringLiteral("https://oauth2.googleapis.com/token");
        settings.m_strDeviceUrl = QStringLiteral("https://oauth2.googleapis.com/device/code");
        settings.m_strScope = QStringLiteral("https://mail.google.com/");
    }
    return settings;
}

// The tenant becomes part of the endpoints' path, so it may not add to it.
COAuthSettings::Problem COAuthSettings::CheckRenewal() const {
    static const QRegularExpression reTenant(QStringLiteral("^[A-Za-z0-9.-]+$"));
    if (m_strProvider != kProviderMicrosoft && m_strProvider != kProviderGoogle &&
        m_strProvider != kProviderCustom)
        return Problem::UnknownProvider;
    if (m_strProvider == kProviderMicrosoft && !reTenant.match(m_strTenant).hasMatch())
        return Problem::BadTenant;
    if (m_strUser.isEmpty())
        return Problem::NoUser;
    if (m_strClientId.isEmpty())
        return Problem::NoClientId;
    return CheckEndpoint(m_strTokenUrl, Problem::NoTokenUrl);
}

COAuthSettings::Problem COAuthSettings::CheckBrowserSignIn() const {
    const Problem eProblem = CheckRenewal();
    return eProblem != Problem::None ? eProblem
                                     : CheckEndpoint(m_strAuthorizeUrl, Problem::NoAuthorizeUrl);
}

COAuthSettings::Problem COAuthSettings::CheckDeviceSignIn() const {
    const Problem eProblem = CheckRenewal();
    return eProblem != Problem::None ? eProblem
                                     : CheckEndpoint(m_strDeviceUrl, Problem::NoDeviceUrl);
}

COAuthSettings::Problem COAuthSettings::CheckEndpoint(const QString& strUrl, Problem eMissing) {
    if (strUrl.isEmpty())
        return eMissing;
    return IsSafeEndpoint(strUrl) ? Problem::None : Problem::UnsafeUrl;
}

// Tokens and codes travel only over TLS, or within this machine.
bool COAuthSettings::IsSafeEndpoint(const QString& strUrl) {
    const QUrl url(strUrl, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    return url.scheme() == u"https" || (url.scheme() == u"http" && IsThisMachine(url.host()));
}

QString COAuthSettings::ProblemText(Problem eProblem) {
    switch (eProblem) {
    case Problem::None:
        break;
    case Problem::UnknownProvider:
        return QStringLiteral("OAuthProvider must be microsoft, google or custom.");
    case Problem::BadTenant:
        return QStringLiteral(
            "OAuthTenant may hold only letters, digits, dots and dashes (or leave it empty).");
    case Problem::NoUser:
        return QStringLiteral("Enter the user (your mail address) first: the sign-in is kept "
                              "for it.");
    case Problem::NoClientId:
        return QStringLiteral("Enter the client ID of the application you registered with the "
                              "provider (OAuthClientId).");
    case Problem::NoTokenUrl:
        return QStringLiteral("Enter the provider's token address (OAuthTokenUrl).");
    case Problem::NoAuthorizeUrl:
        return QStringLiteral("Enter the provider's sign-in address (OAuthAuthorizeUrl).");
    case Problem::NoDeviceUrl:
        return QStringLiteral("The provider has no address for signing in with a code "
                              "(OAuthDeviceUrl).");
    case Problem::UnsafeUrl:
        return QStringLiteral("The provider's addresses must start with https:// (http:// only "
                              "on this machine).");
    }
    return QString();
}

QString COAuthSettings::ProviderName() const {
    if (m_strProvider == kProviderMicrosoft)
        return QStringLiteral("Microsoft");
    if (m_strProvider == kProviderGoogle)
        return QStringLiteral("Google");
    return QStringLiteral("your provider");
}
