#include "platform/dao/CDaoException.h"

namespace {

std::shared_ptr<const CDaoErrorInfo> MakeErrorInfo(const QString& strDescription, long lErrorCode,
                                                   const QString& strSource) {
    auto pInfo = std::make_shared<CDaoErrorInfo>();
    pInfo->m_lErrorCode = lErrorCode;
    pInfo->m_strSource = strSource;
    pInfo->m_strDescription = strDescription;
    return pInfo;
}

} // namespace

CDaoException::CDaoException(const QString& strDescription, long lErrorCode,
                             const QString& strSource)
    : m_pErrorInfo(MakeErrorInfo(strDescription, lErrorCode, strSource)),
      m_utf8Description(strDescription.toUtf8()) {}

const char* CDaoException::what() const noexcept {
    return m_utf8Description.constData();
}
