#include "CPgTestServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kProcessTimeoutMs = 120000;
constexpr char kServerUser[] = "postgres";

// The folder of initdb and pg_ctl: pg_config's, or the newest of Debian's.
QString ServerBinaries() {
    QProcess config;
    config.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    if (config.waitForFinished(10000) && config.exitCode() == 0) {
        const QString strBin = QString::fromLocal8Bit(config.readAllStandardOutput()).trimmed();
        if (QFile::exists(strBin + QStringLiteral("/initdb")))
            return strBin;
    }
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString strBin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*it);
        if (QFile::exists(strBin + QStringLiteral("/initdb")))
            return strBin;
    }
    return QString();
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    int nPort = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &nLength) == 0)
        nPort = ntohs(address.sin_port);
    ::close(fd);
    return nPort;
}

bool IsRoot() {
    return ::geteuid() == 0;
}

// libpq's settings from the environment, which a developer's shell may have.
void ClearLibpqEnvironment(const QString& strPassFile) {
    for (const char* pName :
         {"PGHOST", "PGHOSTADDR", "PGPORT", "PGUSER", "PGPASSWORD", "PGDATABASE", "PGSERVICE",
          "PGSERVICEFILE", "PGSSLMODE", "PGOPTIONS", "PGCONNECT_TIMEOUT", "PGAPPNAME",
          "PGSYSCONFDIR", "PGREQUIRESSL", "PGTARGETSESSIONATTRS"})
        qunsetenv(pName);
    qputenv("PGPASSFILE", QFile::encodeName(strPassFile));
}

} // namespace

CPgTestServer::CPgTestServer(Durability durability)
    : m_pDir(std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/corvane-pg-XXXXXX"))),
      m_durability(durability) {
    ClearLibpqEnvironment(m_pDir->filePath(QStringLiteral("pgpass")));
    m_strBin = ServerBinaries();
    m_strData = m_pDir->filePath(QStringLiteral("data"));
    if (!m_pDir->isValid())
        m_strError = QStringLiteral("no temporary folder");
    else if (m_strBin.isEmpty())
        m_strError = QStringLiteral("initdb was not found: install the package postgresql");
    else if (InitCluster() && StartServer())
        CreateDatabase();
}

CPgTestServer::~CPgTestServer() {
    Stop();
}

QString CPgTestServer::Run(const QString& strProgram, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (IsRoot())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QString::fromLatin1(kServerUser),
                                  QStringLiteral("--"), m_strBin + u'/' + strProgram} +
                          arguments);
    else
        process.start(m_strBin + u'/' + strProgram, arguments);
    if (process.waitForFinished(kProcessTimeoutMs) &&
        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    return QStringLiteral("%1 failed: %2")
        .arg(strProgram, QString::fromLocal8Bit(process.readAll()).trimmed());
}

bool CPgTestServer::InitCluster() {
    if (IsRoot()) {
        const passwd* pServerUser = ::getpwnam(kServerUser);
        if (pServerUser == nullptr || ::chown(QFile::encodeName(m_pDir->path()).constData(),
                                              pServerUser->pw_uid, pServerUser->pw_gid) != 0) {
            m_strError = QStringLiteral("the user postgres is missing");
            return false;
        }
    }
    m_strError = Run(QStringLiteral("initdb"),
                     {QStringLiteral("-D"), m_strData, QStringLiteral("-U"),
                      QStringLiteral("corvane"), QStringLiteral("-A"), QStringLiteral("trust"),
                      QStringLiteral("-E"), QStringLiteral("UTF8"),
                      QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")});
    if (!m_strError.isEmpty() || !MakeCertificates())
        return false;
    // The superuser logs in over TCP without a password, other users with theirs.
    QFile hba(m_strData + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write("local all all trust\n"
                  "host all corvane 127.0.0.1/32 trust\n"
                  "host all all 127.0.0.1/32 scram-sha-256\n") < 0) {
        m_strError = QStringLiteral("pg_hba.conf cannot be written");
        return false;
    }
    return true;
}

bool CPgTestServer::StartServer() {
    m_strError = StartCommand();
    return m_strError.isEmpty();
}

bool CPgTestServer::Start() {
    return IsRunning() || StartCommand().isEmpty();
}

bool CPgTestServer::IsRunning() const {
    return QFile::exists(m_strData + QStringLiteral("/postmaster.pid"));
}

QString CPgTestServer::StartCommand() {
    m_nPort = m_nPort != 0 ? m_nPort : FreePort();
    const QString strSync = m_durability == Durable
                                ? QString()
                                : QStringLiteral(" -c fsync=off -c synchronous_commit=off "
                                                 "-c full_page_writes=off");
    const QString strTls = QStringLiteral(" -c ssl=on -c ssl_cert_file=%1/server.crt "
                                          "-c ssl_key_file=%1/server.key")
                               .arg(m_strData);
    return Run(QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), m_strData, QStringLiteral("-l"),
                m_pDir->filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                QStringLiteral("-o"),
                QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1")
                        .arg(m_pDir->path())
                        .arg(m_nPort) +
                    strSync + strTls,
                QStringLiteral("start")});
}

bool CPgTestServer::Stop(StopMode mode) {
    PQfinish(std::exchange(m_pConn, nullptr));
    const QString strMode =
        mode == StopMode::Fast ? QStringLiteral("fast") : QStringLiteral("immediate");
    return !IsRunning() ||
           Run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_strData, QStringLiteral("-m"),
                                          strMode, QStringLiteral("-w"), QStringLiteral("stop")})
               .isEmpty();
}

// The superuser's database, made from the cluster's first one.
void CPgTestServer::CreateDatabase() {
    PGconn* pConn = PQconnectdb(QStringLiteral("postgresql://corvane@/postgres?host=%1&port=%2")
                                    .arg(m_pDir->path())
                                    .arg(m_nPort)
                                    .toUtf8()
                                    .constData());
    PGresult* pResult = PQexec(pConn, "CREATE DATABASE corvane");
    if (PQresultStatus(pResult) != PGRES_COMMAND_OK)
        m_strError = QStringLiteral("CREATE DATABASE failed: %1")
                         .arg(QString::fromUtf8(PQerrorMessage(pConn)).trimmed());
    PQclear(pResult);
    PQfinish(pConn);
}

// Self-signed, for 127.0.0.1: one the server shows, one of a stranger. The
// server's key is readable by the server's user alone, or it refuses it.
bool CPgTestServer::MakeCertificates() {
    for (const char* pName : {"server", "stranger"}) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"),
                       QStringLiteral("%1/%2.key").arg(m_strData, QLatin1String(pName)),
                       QStringLiteral("-out"),
                       QStringLiteral("%1/%2.crt").arg(m_strData, QLatin1String(pName))});
        if (!openssl.waitForFinished(kProcessTimeoutMs) || openssl.exitCode() != 0) {
            m_strError = QStringLiteral("openssl failed: %1")
                             .arg(QString::fromLocal8Bit(openssl.readAll()).trimmed());
            return false;
        }
    }
    const QByteArray key = QFile::encodeName(m_strData + QStringLiteral("/server.key"));
    const passwd* pServerUser = IsRoot() ? ::getpwnam(kServerUser) : nullptr;
    if (::chmod(key.constData(), 0600) != 0 ||
        (pServerUser != nullptr &&
         ::chown(key.constData(), pServerUser->pw_uid, pServerUser->pw_gid) != 0)) {
        m_strError = QStringLiteral("the server's key cannot be made private");
        return false;
    }
    return true;
}

QString CPgTestServer::CertificateFile() const {
    return m_strData + QStringLiteral("/server.crt");
}

QString CPgTestServer::StrangerCertificateFile() const {
    return m_strData + QStringLiteral("/stranger.crt");
}

QString CPgTestServer::Url(const QString& strUser) const {
    return QStringLiteral("postgresql://%1@/corvane?host=%2&port=%3")
        .arg(strUser, m_pDir->path())
        .arg(m_nPort);
}

QString CPgTestServer::TcpUrl(const QString& strUser) const {
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/corvane").arg(strUser).arg(m_nPort);
}

QString CPgTestServer::Clear() {
    return Value(QStringLiteral("DROP SCHEMA public CASCADE; CREATE SCHEMA public; "
                                "GRANT ALL ON SCHEMA public TO PUBLIC"));
}

QString CPgTestServer::AddPasswordUser(const QString& strUser, const QString& strPassword) {
    return Value(QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD '%2'; "
                                "GRANT ALL ON SCHEMA public TO \"%1\"")
                     .arg(strUser, QString(strPassword).replace(u'\'', QStringLiteral("''"))));
}

pg_conn* CPgTestServer::Connection() {
    if (m_pConn == nullptr || PQstatus(m_pConn) != CONNECTION_OK) {
        PQfinish(m_pConn);
        m_pConn = PQconnectdb(Url().toUtf8().constData());
        PQsetNoticeProcessor(
            m_pConn, [](void*, const char*) {}, nullptr);
    }
    return m_pConn;
}

QStringList CPgTestServer::Column(const QString& strSql) {
    PGresult* pResult = PQexec(Connection(), strSql.toUtf8().constData());
    QStringList values;
    const ExecStatusType status = PQresultStatus(pResult);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        values.append(QStringLiteral("<error: %1>")
                          .arg(QString::fromUtf8(PQerrorMessage(m_pConn)).trimmed()));
    for (int nRow = 0; status == PGRES_TUPLES_OK && nRow < PQntuples(pResult); ++nRow)
        values.append(PQgetisnull(pResult, nRow, 0)
                          ? QStringLiteral("NULL")
                          : QString::fromUtf8(PQgetvalue(pResult, nRow, 0)));
    PQclear(pResult);
    return values;
}

QString CPgTestServer::Value(const QString& strSql) {
    return Column(strSql).value(0);
}
