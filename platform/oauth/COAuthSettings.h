#pragma once

#include <QLatin1String>
#include <QString>

// The OAuth 2.0 sign-in that section [MailSystem] of the settings file asks
// for with Auth=oauth2, read by the program (to sign in) and the mail library
// (to renew the access token). A provider's preset gives the endpoints and the
// scope; any OAuth key in the file overrides its part of the preset, and the
// provider "custom" has nothing but the keys.
class COAuthSettings {
public:
    static constexpr QLatin1String kKeyAuth{"Auth"};
    static constexpr QLatin1String kAuthPassword{"password"};
    static constexpr QLatin1String kAuthOAuth2{"oauth2"};
    static constexpr QLatin1String kKeyProvider{"OAuthProvider"};
    static constexpr QLatin1String kKeyTenant{"OAuthTenant"};
    static constexpr QLatin1String kKeyClientId{"OAuthClientId"};
    static constexpr QLatin1String kKeyClientSecret{"OAuthClientSecret"};
    static constexpr QLatin1String kKeyAuthorizeUrl{"OAuthAuthorizeUrl"};
    static constexpr QLatin1String kKeyTokenUrl{"OAuthTokenUrl"};
    static constexpr QLatin1String kKeyDeviceUrl{"OAuthDeviceUrl"};
    static constexpr QLatin1String kKeyScope{"OAuthScope"};
    static constexpr QLatin1String kKeyRefreshToken{"OAuthRefreshToken"};
    static constexpr QLatin1String kProviderMicrosoft{"microsoft"};
    static constexpr QLatin1String kProviderGoogle{"google"};
    static constexpr QLatin1String kProviderCustom{"custom"};
    static constexpr QLatin1String kDefaultTenant{"common"};

    // What keeps a sign-in or a renewal from starting.
    enum class Problem {
        None,
        UnknownProvider, // OAuthProvider is none of the three
        BadTenant,       // OAuthTenant holds more than letters, digits, dots and dashes
        NoUser,          // User is empty: the sign-in is filed under it
        NoClientId,
        NoTokenUrl,
        NoAuthorizeUrl,
        NoDeviceUrl,
        UnsafeUrl, // an endpoint neither https:// nor http:// on this machine
    };

    // Auth in [MailSystem]: oauth2, password (or absent), or anything else.
    enum class Auth { Password, OAuth2, Unknown };
    static Auth ReadAuth();

    // The settings in force: the provider's preset with the file's keys over it.
    static COAuthSettings Read();
    // The provider's endpoints and scope, without the file; empty for custom
    // and unknown providers.
    static COAuthSettings Preset(const QString& strProvider, const QString& strTenant);

    // What a renewal with the refresh token needs, what the sign-in through
    // the browser needs, and what the sign-in with a code needs.
    Problem CheckRenewal() const;
    Problem CheckBrowserSignIn() const;
    Problem CheckDeviceSignIn() const;
    // A sentence for the user, naming the key to set.
    static QString ProblemText(Problem eProblem);

    // "Microsoft", "Google" or "your provider", for the user.
    QString ProviderName() const;

    QString m_strProvider; // the file's OAuthProvider in lower case; microsoft when absent
    QString m_strTenant;
    QString m_strClientId;
    QString m_strClientSecret; // only some providers want one (Google's desktop clients do)
    QString m_strAuthorizeUrl;
    QString m_strTokenUrl;
    QString m_strDeviceUrl;
    QString m_strScope;
    QString m_strUser; // User of [MailSystem]: the account signed in

private:
    static Problem CheckEndpoint(const QString& strUrl, Problem eMissing);
    static bool IsSafeEndpoint(const QString& strUrl);
};
