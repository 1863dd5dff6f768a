#include "platform/settings/CPasswordStore.h"

#include <libsecret/secret.h>
#include <memory>

namespace {

constexpr const char* kApplication = "Corvane";

const SecretSchema* PasswordSchema() {
    static const SecretSchema schema = {"org.ostwick.Corvane.Password",
                                        SECRET_SCHEMA_NONE,
                                        {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Frees a GError and tells whether there was one.
bool Failed(GError* pError) {
    if (!pError)
        return false;
    g_error_free(pError);
    return true;
}

struct SecretFree {
    void operator()(gchar* pPassword) const { secret_password_free(pPassword); }
};

} // namespace

// A lookup that fails only when nobody answers.
bool CPasswordStore::IsAvailable() {
    GError* pError = nullptr;
    const std::unique_ptr<gchar, SecretFree> pPassword(
        secret_password_lookup_sync(PasswordSchema(), nullptr, &pError, "application", kApplication,
                                    "server", "", "user", "", nullptr));
    return !Failed(pError);
}

std::optional<QString> CPasswordStore::Lookup(const QString& strServer, const QString& strUser) {
    GError* pError = nullptr;
    const std::unique_ptr<gchar, SecretFree> pPassword(secret_password_lookup_sync(
        PasswordSchema(), nullptr, &pError, "application", kApplication, "server",
        strServer.toUtf8().constData(), "user", strUser.toUtf8().constData(), nullptr));
    if (Failed(pError) || !pPassword)
        return std::nullopt;
    return QString::fromUtf8(pPassword.get());
}

bool CPasswordStore::Store(const QString& strServer, const QString& strUser,
                           const QString& strPassword, Kind kind) {
    const QByteArray strLabel =
        QStringLiteral("Corvane %1 password for %2 at %3")
            .arg(kind == Database ? QStringLiteral("database") : QStringLiteral("mail"), strUser,
                 strServer)
            .toUtf8();
    GError* pError = nullptr;
    const bool bStored = secret_password_store_sync(
        PasswordSchema(), SECRET_COLLECTION_DEFAULT, strLabel.constData(),
        strPassword.toUtf8().constData(), nullptr, &pError, "application", kApplication, "server",
        strServer.toUtf8().constData(), "user", strUser.toUtf8().constData(), nullptr);
    return !Failed(pError) && bStored;
}

bool CPasswordStore::Remove(const QString& strServer, const QString& strUser) {
    GError* pError = nullptr;
    secret_password_clear_sync(PasswordSchema(), nullptr, &pError, "application", kApplication,
                               "server", strServer.toUtf8().constData(), "user",
                               strUser.toUtf8().constData(), nullptr);
    return !Failed(pError);
}
