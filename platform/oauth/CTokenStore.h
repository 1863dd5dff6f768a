#pragma once

#include <QString>

// The refresh token of a sign-in, filed under Corvane, the provider and the
// user: in the desktop keyring where one runs, otherwise in
// Corvane-tokens.conf beside the settings file, readable by its owner alone.
// An OAuthRefreshToken in [MailSystem] of the settings file comes first
// (for machines without a desktop, and for tests), as a Password there does.
// The token is a secret: nothing here writes it anywhere else.
class CTokenStore {
public:
    enum class Place { None, SettingsFile, Keyring, TokenFile };

    struct Found {
        QString strToken;
        Place ePlace = Place::None;
    };

    static Found Lookup(const QString& strProvider, const QString& strUser);
    // Into the keyring, or where none answers into the token file; the place
    // it went to, Place::None when neither took it.
    static Place Store(const QString& strProvider, const QString& strUser,
                       const QString& strToken);
    // A provider may hand out a new refresh token with each renewal: it goes
    // where the one it replaces was found. False when it could not be written.
    static bool Replace(Place ePlace, const QString& strProvider, const QString& strUser,
                        const QString& strToken);
    // Out of every place. False when one of them could not be changed.
    static bool Remove(const QString& strProvider, const QString& strUser);

    static QString FilePath();
    // "Signed in as jane@example.com with Microsoft; the sign-in is kept in
    // the desktop keyring.", for the user.
    static QString SignedInText(const QString& strUser, const QString& strProviderName,
                                Place ePlace);
};
