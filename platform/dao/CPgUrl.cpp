#include "platform/dao/CPgUrl.h"

#include "platform/dao/CDaoException.h"

#include <libpq-fe.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

QString LoginName() {
    const passwd* pEntry = getpwuid(geteuid());
    return pEntry != nullptr ? QString::fromLocal8Bit(pEntry->pw_name) : QString();
}

} // namespace

bool CPgUrl::IsPostgres(const QString& strText) {
    const QString strTrimmed = strText.trimmed();
    return strTrimmed.startsWith(u"postgresql://", Qt::CaseInsensitive) ||
           strTrimmed.startsWith(u"postgres://", Qt::CaseInsensitive);
}

CPgUrl::CPgUrl(const QString& strUrl) : m_strUrl(strUrl.trimmed()) {
    if (!IsPostgres(m_strUrl))
        throw CDaoException(
            QStringLiteral("\"%1\" is not the address of a PostgreSQL database; it must begin "
                           "with postgresql://, as in postgresql://USER@HOST:PORT/DATABASE.")
                .arg(m_strUrl));
    char* pError = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> pOptions(
        PQconninfoParse(m_strUrl.toUtf8().constData(), &pError), &PQconninfoFree);
    if (!pOptions) {
        const QString strError = QString::fromUtf8(pError).trimmed();
        PQfreemem(pError);
        throw CDaoException(QStringLiteral("The database address \"%1\" cannot be read: %2")
                                .arg(m_strUrl, strError));
    }
    for (const PQconninfoOption* pOption = pOptions.get(); pOption->keyword != nullptr; ++pOption) {
        if (pOption->val == nullptr)
            continue;
        const QString strValue = QString::fromUtf8(pOption->val);
        const QLatin1StringView keyword(pOption->keyword);
        if (keyword == QLatin1StringView("user"))
            m_strUser = strValue;
        else if (keyword == QLatin1StringView("host"))
            m_strHost = strValue;
        else if (keyword == QLatin1StringView("port"))
            m_strPort = strValue;
        else if (keyword == QLatin1StringView("dbname"))
            m_strDatabase = strValue;
        else if (keyword == QLatin1StringView("password"))
            m_bPassword = true;
    }
}

QString CPgUrl::User() const {
    return m_strUser.isEmpty() ? LoginName() : m_strUser;
}

QString CPgUrl::Display() const {
    return QStringLiteral("%1@%2/%3")
        .arg(User(), HostAndPort(), m_strDatabase.isEmpty() ? User() : m_strDatabase);
}

QString CPgUrl::KeyringServer() const {
    return QStringLiteral("postgresql://%1/%2")
        .arg(HostAndPort(), m_strDatabase.isEmpty() ? User() : m_strDatabase);
}

QString CPgUrl::HostAndPort() const {
    const QString strHost = m_strHost.isEmpty() ? QStringLiteral("localhost") : m_strHost;
    return strHost + u':' + (m_strPort.isEmpty() ? QStringLiteral("5432") : m_strPort);
}
