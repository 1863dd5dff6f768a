#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// Secrets in the desktop keyring (the Secret Service of GNOME Keyring,
// KWallet and the like, through libsecret), each filed under the attribute
// application "Corvane" and the attributes of its kind. Every call fails
// quietly (nullopt, false) when no provider runs on the session bus.
class CKeyring {
public:
    // pSchemaName names the kind of secret ("org.ostwick.Corvane.Password");
    // arrAttributes the attributes that file one, besides the application.
    // Both must outlive the object.
    CKeyring(const char* pSchemaName, std::vector<const char*> arrAttributes);
    ~CKeyring();
    CKeyring(const CKeyring&) = delete;
    CKeyring& operator=(const CKeyring&) = delete;

    // True when a Secret Service provider answers.
    bool IsAvailable() const;
    // The secret filed under arrValues (one per attribute, in order); nullopt
    // when none is stored or no provider runs.
    std::optional<QString> Lookup(const QStringList& arrValues) const;
    // False when no provider took it.
    bool Store(const QString& strLabel, const QStringList& arrValues,
               const QString& strSecret) const;
    // False when no provider answered; true also when none was stored.
    bool Remove(const QStringList& arrValues) const;

private:
    struct Schema;
    std::unique_ptr<Schema> m_pSchema;
    std::vector<const char*> m_arrAttributes;
};
