#include "platform/settings/CKeyring.h"

#include <libsecret/secret.h>
#include <memory>

namespace {

constexpr const char* kApplicationAttribute = "application";
constexpr const char* kApplication = "Corvane";

// Frees a GError and tells whether there was one.
bool Failed(GError* pError) {
    if (!pError)
        return false;
    g_error_free(pError);
    return true;
}

struct SecretFree {
    void operator()(gchar* pSecret) const { secret_password_free(pSecret); }
};

struct HashTableUnref {
    void operator()(GHashTable* pTable) const { g_hash_table_unref(pTable); }
};

} // namespace

struct CKeyring::Schema {
    SecretSchema schema{};
};

CKeyring::CKeyring(const char* pSchemaName, std::vector<const char*> arrAttributes)
    : m_pSchema(std::make_unique<Schema>()), m_arrAttributes(std::move(arrAttributes)) {
    m_arrAttributes.insert(m_arrAttributes.begin(), kApplicationAttribute);
    m_pSchema->schema.name = pSchemaName;
    m_pSchema->schema.flags = SECRET_SCHEMA_NONE;
    for (size_t i = 0; i < m_arrAttributes.size(); ++i)
        m_pSchema->schema.attributes[i] = {m_arrAttributes[i], SECRET_SCHEMA_ATTRIBUTE_STRING};
}

CKeyring::~CKeyring() = default;

namespace {

// The attribute table libsecret takes: the application and the values given.
// It owns copies of the values.
std::unique_ptr<GHashTable, HashTableUnref> AttributesOf(const std::vector<const char*>& arrNames,
                                                        const QStringList& arrValues) {
    std::unique_ptr<GHashTable, HashTableUnref> pTable(
        g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free));
    g_hash_table_insert(pTable.get(), const_cast<char*>(arrNames[0]), g_strdup(kApplication));
    for (qsizetype i = 0; i < arrValues.size() && i + 1 < qsizetype(arrNames.size()); ++i)
        g_hash_table_insert(pTable.get(), const_cast<char*>(arrNames[size_t(i) + 1]),
                            g_strdup(arrValues[i].toUtf8().constData()));
    return pTable;
}

} // namespace

// A lookup that fails only when nobody answers.
bool CKeyring::IsAvailable() const {
    const QStringList arrEmpty(qsizetype(m_arrAttributes.size() - 1));
    GError* pError = nullptr;
    const std::unique_ptr<gchar, SecretFree> pSecret(secret_password_lookupv_sync(
        &m_pSchema->schema, AttributesOf(m_arrAttributes, arrEmpty).get(), nullptr, &pError));
    return !Failed(pError);
}

std::optional<QString> CKeyring::Lookup(const QStringList& arrValues) const {
    GError* pError = nullptr;
    const std::unique_ptr<gchar, SecretFree> pSecret(secret_password_lookupv_sync(
        &m_pSchema->schema, AttributesOf(m_arrAttributes, arrValues).get(), nullptr, &pError));
    if (Failed(pError) || !pSecret)
        return std::nullopt;
    return QString::fromUtf8(pSecret.get());
}

bool CKeyring::Store(const QString& strLabel, const QStringList& arrValues,
                     const QString& strSecret) const {
    GError* pError = nullptr;
    const bool bStored = secret_password_storev_sync(
        &m_pSchema->schema, AttributesOf(m_arrAttributes, arrValues).get(),
        SECRET_COLLECTION_DEFAULT, strLabel.toUtf8().constData(), strSecret.toUtf8().constData(),
        nullptr, &pError);
    return !Failed(pError) && bStored;
}

bool CKeyring::Remove(const QStringList& arrValues) const {
    GError* pError = nullptr;
    secret_password_clearv_sync(&m_pSchema->schema,
                                AttributesOf(m_arrAttributes, arrValues).get(), nullptr, &pError);
    return !Failed(pError);
}
