#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class QSettings;

// The per-user settings file $XDG_CONFIG_HOME/Ostwick/Corvane.conf, shared by
// the program and the mail library. It stands in for the Windows profile
// (section "MAIL") and the registry key. The file holds a password, so every
// write leaves it readable by its owner only (mode 0600).
//
// Sections and keys are found regardless of letter case, as in the Windows
// profile; a value that QSettings reads as a list (it held unquoted commas)
// comes back as one text joined with ", ".
class CProfileSettings {
public:
    // The section and key names that the program and the mail library share.
    static constexpr QLatin1String kSectionMail{"MAIL"};
    static constexpr QLatin1String kKeyMapi{"MAPI"};
    static constexpr QLatin1String kSectionMailSystem{"MailSystem"};
    static constexpr QLatin1String kKeyTransport{"Transport"};
    static constexpr QLatin1String kKeyServer{"Server"};
    static constexpr QLatin1String kKeyUser{"User"};
    static constexpr QLatin1String kKeyPassword{"Password"};
    static constexpr QLatin1String kKeySender{"Sender"};
    static constexpr QLatin1String kKeyCAFile{"CAFile"};
    static constexpr QLatin1String kKeyOutbox{"Outbox"};
    // Mails a Send Mail run sends per minute at most; absent or 0: no limit.
    static constexpr QLatin1String kKeyMaxPerMinute{"MaxPerMinute"};
    // How long a run tries a temporary failure again, in minutes; absent:
    // 60, 0: not at all.
    static constexpr QLatin1String kKeyRetryMinutes{"RetryMinutes"};
    // The team's PostgreSQL database instead of Addresses.mdb.
    static constexpr QLatin1String kSectionDatabase{"Database"};
    static constexpr QLatin1String kKeyUrl{"Url"};
    static constexpr QLatin1String kTransportSmtp{"smtp"};
    static constexpr QLatin1String kTransportOutbox{"outbox"};

    // GetProfileIntA: the integer at the start of the value of key in section,
    // 0 when the value is not a number or is negative, nDefault when the key
    // is missing.
    static int GetProfileInt(const QString& strSection, const QString& strKey, int nDefault);
    static QString GetProfileString(const QString& strSection, const QString& strKey,
                                    const QString& strDefault = QString());
    // False when the file could not be written.
    static bool WriteProfileValue(const QString& strSection, const QString& strKey,
                                  const QVariant& value);
    // Takes the key out of the file; false when the file could not be written.
    static bool RemoveProfileValue(const QString& strSection, const QString& strKey);
    // The file's path, for messages and tests.
    static QString FilePath();

    // Makes change to the INI file at strPath (created with its folder when
    // missing) so that the file is readable by its owner alone before,
    // during and after the change. False when it could not be written.
    static bool ChangeOwnerOnlyFile(const QString& strPath,
                                    const std::function<void(QSettings&)>& change);

private:
    static QString StoredKey(QSettings& settings, const QString& strSection, const QString& strKey);
    static bool PrepareOwnerOnlyFile(const QString& strPath);
};
