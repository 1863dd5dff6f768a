#pragma once

#include <QString>
#include <QVariant>

// The per-user settings file $XDG_CONFIG_HOME/Ostwick/Corvane.conf, shared by
// the program and the mail library. It stands in for the Windows profile
// (section "MAIL") and the registry key. The file holds a password, so every
// write leaves it readable by its owner only (mode 0600).
class CProfileSettings {
public:
    // GetProfileIntA: the integer value of key in section, or nDefault.
    static int GetProfileInt(const QString& strSection, const QString& strKey, int nDefault);
    static QString GetProfileString(const QString& strSection, const QString& strKey,
                                    const QString& strDefault = QString());
    static void WriteProfileValue(const QString& strSection, const QString& strKey,
                                  const QVariant& value);
    // The file's path, for messages and tests.
    static QString FilePath();
};
