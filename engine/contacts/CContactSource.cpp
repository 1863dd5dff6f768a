#include "engine/contacts/CContactSource.h"

#include "engine/contacts/CCsvSource.h"
#include "engine/contacts/CVCardSource.h"

#include <QFileInfo>

std::unique_ptr<CContactSource> CContactSource::Open(const QString& strPath) {
    if (IsVCardPath(strPath))
        return std::make_unique<CVCardSource>(strPath);
    return std::make_unique<CCsvSource>(strPath);
}

bool CContactSource::IsVCardPath(const QString& strPath) {
    const QString strSuffix = QFileInfo(strPath).suffix();
    return strSuffix.compare(QStringLiteral("vcf"), Qt::CaseInsensitive) == 0 ||
           strSuffix.compare(QStringLiteral("vcard"), Qt::CaseInsensitive) == 0;
}
