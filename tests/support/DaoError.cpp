#include "DaoError.h"

#include "platform/dao/CDaoException.h"

QString DaoError(const std::function<void()>& call) {
    try {
        call();
    } catch (const CDaoException& e) {
        return e.m_pErrorInfo->m_strDescription;
    }
    return QString();
}
