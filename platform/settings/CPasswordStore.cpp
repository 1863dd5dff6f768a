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
                           const QString& strPassword, Kind kind) {
    const QString strWhat = kind == Database ? QStringLiteral("database") : QStringLiteral("mail");
    return Keyring().Store(
        QStringLiteral("Corvane %1 password for %2 at %3").arg(strWhat, strUser, strServer),
        {strServer, strUser}, strPassword);
}

bool CPasswordStore::Remove(const QString& strServer, const QString& strUser) {
    return Keyring().Remove({strServer, strUser});
}
