#pragma once

#include "platform/dao/CDaoErrorInfo.h"

#include <QByteArray>
#include <exception>
#include <memory>

// The engine's error. Thrown by value and caught by const reference; copies
// share one error description.
class CDaoException : public std::exception {
public:
    explicit CDaoException(const QString& strDescription, long lErrorCode = 0,
                           const QString& strSource = QString());

    // The description in UTF-8.
    const char* what() const noexcept override;

    std::shared_ptr<const CDaoErrorInfo> m_pErrorInfo;

private:
    QByteArray m_utf8Description;
};
