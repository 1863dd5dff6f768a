#include "platform/oauth/CTokenStore.h"

#include "platform/oauth/COAuthSettings.h"
#include "platform/settings/CKeyring.h"
#include "platform/settings/CProfileSettings.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const CKeyring& Keyring() {
    static const CKeyring keyring("org.ostwick.Corvane.OAuth", {"provider", "user"});
    return keyring;
}

// The token file's key: a group per provider, the user within it.
QString FileKey(const QString& strProvider, const QString& strUser) {
    return strProvider + u'/' + strUser;
}

QString SettingsFileToken() {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                              COAuthSettings::kKeyRefreshToken)
        .trimmed();
}

QString TokenFileToken(const QString& strProvider, const QString& strUser) {
    if (!QFileInfo::exists(CTokenStore::FilePath()))
        return QString();
    const QSettings file(CTokenStore::FilePath(), QSettings::IniFormat);
    return file.value(FileKey(strProvider, strUser)).toString();
}

bool WriteTokenFile(const QString& strProvider, const QString& strUser, const QString& strToken) {
    return CProfileSettings::ChangeOwnerOnlyFile(CTokenStore::FilePath(), [&](QSettings& file) {
        file.setValue(FileKey(strProvider, strUser), strToken);
    });
}

bool RemoveFromTokenFile(const QString& strProvider, const QString& strUser) {
    return TokenFileToken(strProvider, strUser).isEmpty() ||
           CProfileSettings::ChangeOwnerOnlyFile(CTokenStore::FilePath(), [&](QSettings& file) {
               file.remove(FileKey(strProvider, strUser));
           });
}

bool StoreInKeyring(const QString& strProvider, const QString& strUser, const QString& strToken) {
    return Keyring().Store(QStringLiteral("Corvane sign-in of %1 with %2").arg(strUser, strProvider),
                           {strProvider, strUser}, strToken);
}

} // namespace

QString CTokenStore::FilePath() {
    return QFileInfo(CProfileSettings::FilePath()).absolutePath() +
           QStringLiteral("/Corvane-tokens.conf");
}

QString CTokenStore::SignedInText(const QString& strUser, const QString& strProviderName,
                                  Place ePlace) {
    QString strPlace;
    switch (ePlace) {
    case Place::Keyring:
        strPlace = QStringLiteral("in the desktop keyring");
        break;
    case Place::TokenFile:
        strPlace = QStringLiteral("in \"%1\", readable by you alone").arg(FilePath());
        break;
    case Place::SettingsFile:
    case Place::None:
        strPlace = QStringLiteral("in the settings file (OAuthRefreshToken)");
        break;
    }
    return QStringLiteral("Signed in as %1 with %2; the sign-in is kept %3.")
        .arg(strUser, strProviderName, strPlace);
}

CTokenStore::Found CTokenStore::Lookup(const QString& strProvider, const QString& strUser) {
    if (const QString strToken = SettingsFileToken(); !strToken.isEmpty())
        return {strToken, Place::SettingsFile};
    if (const auto token = Keyring().Lookup({strProvider, strUser}); token && !token->isEmpty())
        return {*token, Place::Keyring};
    if (const QString strToken = TokenFileToken(strProvider, strUser); !strToken.isEmpty())
        return {strToken, Place::TokenFile};
    return {};
}

// A token that went into the keyring leaves no older one in the file.
CTokenStore::Place CTokenStore::Store(const QString& strProvider, const QString& strUser,
                                      const QString& strToken) {
    if (StoreInKeyring(strProvider, strUser, strToken)) {
        RemoveFromTokenFile(strProvider, strUser);
        return Place::Keyring;
    }
    return WriteTokenFile(strProvider, strUser, strToken) ? Place::TokenFile : Place::None;
}

bool CTokenStore::Replace(Place ePlace, const QString& strProvider, const QString& strUser,
                          const QString& strToken) {
    switch (ePlace) {
    case Place::SettingsFile:
        return CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                                   COAuthSettings::kKeyRefreshToken, strToken);
    case Place::Keyring:
        return StoreInKeyring(strProvider, strUser, strToken);
    case Place::TokenFile:
        return WriteTokenFile(strProvider, strUser, strToken);
    case Place::None:
        break;
    }
    return false;
}

bool CTokenStore::Remove(const QString& strProvider, const QString& strUser) {
    const bool bSettings = SettingsFileToken().isEmpty() ||
                           CProfileSettings::RemoveProfileValue(CProfileSettings::kSectionMailSystem,
                                                                COAuthSettings::kKeyRefreshToken);
    const bool bFile = RemoveFromTokenFile(strProvider, strUser);
    Keyring().Remove({strProvider, strUser});
    return bSettings && bFile;
}
