#pragma once

#include <QString>
#include <optional>

// The mail password in the desktop keyring (the Secret Service of GNOME
// Keyring, KWallet and the like, through libsecret), filed under the
// attributes application "Corvane", the server and the user. Shared by the
// program and the mail library, like the settings file that names server
// and user. Every call fails quietly (nullopt, false) when no provider runs
// on the session bus; the settings file then keeps the password.
class CPasswordStore {
public:
    // True when a Secret Service provider answers.
    static bool IsAvailable();
    // The stored password; nullopt when none is stored or no provider runs.
    static std::optional<QString> Lookup(const QString& strServer, const QString& strUser);
    // What a stored password opens, as the keyring's label names it.
    enum Kind { Mail, Database };

    // False when no provider took it.
    static bool Store(const QString& strServer, const QString& strUser, const QString& strPassword,
                      Kind kind = Mail);
    // False when no provider answered; true also when none was stored.
    static bool Remove(const QString& strServer, const QString& strUser);
};
