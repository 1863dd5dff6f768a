#include "platform/settings/CPasswordStore.h"

#include "platform/settings/CKeyring.h"

namespace {

const CKeyring& Keyring() {
    static const CKeyring keyring("org.ostwick.Corvane.Password", {"server", "user"});
    return keyring;
}

} // namespace

bool CPasswordStore::IsAvailable() {
    return Keyring().IsAvailable();
}

std::optional<QString> CPasswordStore::Lookup(const QString& strServer, const QString& strUser) {
    return Keyring().Lookup({strServer, strUser});
}

bool CPasswordStore::Store(const QString& strServer, const QString& strUser,
                           const QString& strPassword) {
    return Keyring().Store(QStringLiteral("Corvane mail password for %1 at %2").arg(strUser, strServer),
                           {strServer, strUser}, strPassword);
}

bool CPasswordStore::Remove(const QString& strServer, const QString& strUser) {
    return Keyring().Remove({strServer, strUser});
}
