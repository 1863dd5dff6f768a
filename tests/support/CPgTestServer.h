#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

struct pg_conn;

// A PostgreSQL server of the test's own: a cluster made with initdb in a
// temporary folder and started with pg_ctl, on a Unix socket in that folder
// and a free port of 127.0.0.1 (TLS offered, with a self-signed certificate
// for 127.0.0.1), with the superuser "corvane" and its database "corvane". PostgreSQL refuses to
// run as root, so under root the server runs as the user "postgres" (runuser). libpq's PG*
// variables of the caller's environment are cleared, and no ~/.pgpass is read, so that only the
// test decides how to connect.
class CPgTestServer {
public:
    // A test's server does not sync its writes to disk; a durable one does,
    // as servers in use do.
    enum Durability { NotDurable, Durable };

    explicit CPgTestServer(Durability durability = NotDurable);
    ~CPgTestServer();
    CPgTestServer(const CPgTestServer&) = delete;
    CPgTestServer& operator=(const CPgTestServer&) = delete;

    bool IsReady() const { return m_strError.isEmpty(); }
    // Why the server could not be set up.
    const QString& Error() const { return m_strError; }

    // The Url of the database for user over the Unix socket, or over TCP.
    QString Url(const QString& strUser = QStringLiteral("corvane")) const;
    QString TcpUrl(const QString& strUser = QStringLiteral("corvane")) const;
    int Port() const { return m_nPort; }
    // The server's certificate, to trust it; and one of another issuer.
    QString CertificateFile() const;
    QString StrangerCertificateFile() const;

    // Drops every table, so that a test starts on an empty database; the
    // null text, or the error.
    QString Clear();
    // A login with a password, which must log in over TCP with it; the
    // null text, or the error.
    QString AddPasswordUser(const QString& strUser, const QString& strPassword);

    // Fast ends each connection as its session allows; Immediate kills
    // every session at once, so that none can finish what it was doing
    // (not even after a lock it waited for comes free as others end).
    enum class StopMode { Fast, Immediate };
    // Stops the server and starts it again; true also when it was stopped,
    // or running, already.
    bool Stop(StopMode mode = StopMode::Fast);
    bool Start();

    // Runs SQL as the superuser on a connection of its own: the first
    // column of each row (null as "NULL"), or "<error: ...>".
    QStringList Column(const QString& strSql);
    QString Value(const QString& strSql);

private:
    // The error of a server program, or the null text.
    QString Run(const QString& strProgram, const QStringList& arguments);
    bool InitCluster();
    bool MakeCertificates();
    bool StartServer();
    QString StartCommand();
    bool IsRunning() const;
    void CreateDatabase();
    pg_conn* Connection();

    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_strBin;
    QString m_strData;
    int m_nPort = 0;
    Durability m_durability;
    pg_conn* m_pConn = nullptr;
    QString m_strError;
};
