#include "platform/dao/CDaoDatabase.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CPgEngine.h"
#include "platform/dao/CPgUrl.h"
#include "platform/dao/CSqliteEngine.h"

#include <QFileInfo>

CDaoDatabase::CDaoDatabase() = default;

CDaoDatabase::~CDaoDatabase() {
    Close();
}

void CDaoDatabase::Open(const QString& strName, bool bExclusive, bool bReadOnly,
                        const QString& strConnect) {
    if (!strConnect.isEmpty())
        return OpenServer(strConnect);
    Close();
    m_strName = QFileInfo(strName).absoluteFilePath();
    m_pEngine = CSqliteEngine::Open(m_strName, bExclusive, bReadOnly, s_nBusyTimeoutMs);
}

void CDaoDatabase::OpenServer(const QString& strUrl, const QString& strPassword) {
    Close();
    const CPgUrl url(strUrl);
    m_strName = url.Display();
    m_pEngine = CPgEngine::Connect(url, strPassword, s_nBusyTimeoutMs);
}

void CDaoDatabase::Create(const QString& strName, const QString& /*strLocale*/, int nOptions) {
    Close();
    m_strName = QFileInfo(strName).absoluteFilePath();
    m_pEngine = CSqliteEngine::Create(m_strName, (nOptions & s_nCreateWithFirstTable) != 0,
                                      s_nBusyTimeoutMs);
}

bool CDaoDatabase::IsOpen() const {
    return m_pEngine != nullptr;
}

void CDaoDatabase::Close() {
    m_pEngine.reset();
}

QString CDaoDatabase::GetName() const {
    return m_strName;
}

void CDaoDatabase::Execute(const QString& strSql) {
    RequireOpen(this).Execute(strSql);
}

long CDaoDatabase::GetRecordsAffected() const {
    return m_pEngine ? long(m_pEngine->ChangedRows()) : 0;
}

void CDaoDatabase::BeginTrans() {
    Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void CDaoDatabase::CommitTrans() {
    Execute(QStringLiteral("COMMIT"));
}

void CDaoDatabase::Rollback() {
    if (RequireOpen(this).InTransaction())
        Execute(QStringLiteral("ROLLBACK"));
}

CDaoStatement CDaoDatabase::Prepare(const QString& strSql, bool bCache) {
    return CDaoStatement(RequireOpen(this).Prepare(strSql, bCache));
}

QList<CDaoField> CDaoDatabase::TableFields(const QString& strTable) {
    return RequireOpen(this).TableFields(strTable);
}

bool CDaoDatabase::HasTable(const QString& strTable) {
    return !TableFields(strTable).isEmpty();
}

CDaoEngine& CDaoDatabase::RequireOpen(const CDaoDatabase* pDatabase) {
    if (pDatabase == nullptr || pDatabase->m_pEngine == nullptr)
        throw CDaoException(QStringLiteral("The database is not open."));
    return *pDatabase->m_pEngine;
}
