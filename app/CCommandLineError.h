#pragma once

#include <QString>
#include <utility>

// Options used wrongly: an unknown one, a value missing, options that do not
// go together. The message says what was wrong; the program then prints its
// usage and ends with exit status 2.
class CCommandLineError {
public:
    explicit CCommandLineError(QString strMessage) : m_strMessage(std::move(strMessage)) {}
    const QString& Message() const { return m_strMessage; }

private:
    QString m_strMessage;
};
