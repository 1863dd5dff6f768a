#pragma once

#include <QString>

// A PostgreSQL database as the settings name it:
// postgresql://USER@HOST:PORT/DBNAME?sslmode=verify-full (postgres:// too).
// libpq reads the Url; what is missing from it takes libpq's defaults (the
// login name, the local socket, port 5432, the database named as the user).
class CPgUrl {
public:
    // True when the text is a PostgreSQL Url by its scheme.
    static bool IsPostgres(const QString& strText);

    // Raises a CDaoException for a text that is not a PostgreSQL Url, or
    // one that libpq cannot read.
    explicit CPgUrl(const QString& strUrl);

    const QString& Url() const { return m_strUrl; }
    // The login; the local user's name when the Url has none.
    QString User() const;
    bool HasPassword() const { return m_bPassword; }
    // "user@host:port/database" for messages, never with a password.
    QString Display() const;
    // "postgresql://host:port/database": where the keyring files the
    // password of User().
    QString KeyringServer() const;

private:
    QString HostAndPort() const;

    QString m_strUrl;
    QString m_strUser;
    QString m_strHost;
    QString m_strPort;
    QString m_strDatabase;
    bool m_bPassword = false;
};
