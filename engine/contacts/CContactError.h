#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A contacts file that cannot be read or written, or an import or export that
// cannot go on; its text is the message for the user.
class CContactError : public std::exception {
public:
    explicit CContactError(const QString& strMessage)
        : m_strMessage(strMessage), m_utf8(strMessage.toUtf8()) {}

    // A file that cannot be read or written, and why.
    static CContactError CannotRead(const QString& strPath, const QString& strReason) {
        return CContactError(
            QStringLiteral("The file \"%1\" cannot be read: %2.").arg(strPath, strReason));
    }
    static CContactError CannotWrite(const QString& strPath, const QString& strReason) {
        return CContactError(
            QStringLiteral("The file \"%1\" cannot be written: %2.").arg(strPath, strReason));
    }

    const char* what() const noexcept override { return m_utf8.constData(); }
    const QString& Message() const { return m_strMessage; }

private:
    QString m_strMessage;
    QByteArray m_utf8;
};
