#include "CSmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kStopTimeoutMs = 5000;
const QString kPython = QStringLiteral("/usr/bin/python3");

} // namespace

CSmtpTestServer::CSmtpTestServer(QString strFolder) : m_strFolder(std::move(strFolder)) {
    QDir().mkpath(m_strFolder);
}

CSmtpTestServer::~CSmtpTestServer() {
    Stop();
}

QString CSmtpTestServer::ScriptPath(const QString& strScript) {
    return QStringLiteral(MAPI32_TEST_SCRIPTS "/") + strScript;
}

bool CSmtpTestServer::Start(const QStringList& arrOptions, const QString& strScript) {
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(kPython, QStringList{ScriptPath(strScript), m_strFolder} + arrOptions);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kStartTimeoutMs)) {
    }
    bool bNumber = false;
    m_nPort = m_process.readLine().trimmed().toInt(&bNumber);
    if (!bNumber || m_nPort <= 0) {
        m_process.waitForFinished(kStopTimeoutMs);
        m_strError = QString::fromUtf8(m_process.readAllStandardError());
        Stop();
        return false;
    }
    return true;
}

// Closing its input ends the server; it is killed if it does not end.
void CSmtpTestServer::Stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

QString CSmtpTestServer::Url(const QString& strScheme, const QString& strHost) const {
    return QStringLiteral("%1://%2:%3").arg(strScheme, strHost).arg(m_nPort);
}

int CSmtpTestServer::MessageCount() const {
    return static_cast<int>(
        QDir(m_strFolder).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
}

int CSmtpTestServer::ConnectionCount() const {
    QFile file(QDir(m_strFolder).filePath(QStringLiteral("connections")));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
}

QStringList CSmtpTestServer::Commands() const {
    QFile file(QDir(m_strFolder).filePath(QStringLiteral("commands")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QString CSmtpTestServer::MessagePath(int nMessage) const {
    return QDir(m_strFolder).filePath(QStringLiteral("%1.eml").arg(nMessage));
}

QByteArray CSmtpTestServer::MessageBytes(int nMessage) const {
    QFile file(MessagePath(nMessage));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject CSmtpTestServer::Envelope(int nMessage) const {
    QFile file(QDir(m_strFolder).filePath(QStringLiteral("%1.json").arg(nMessage)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList CSmtpTestServer::Recipients() const {
    QStringList arrRecipients;
    for (int n = 1; n <= MessageCount(); ++n) {
        for (const QJsonValue& value : Envelope(n)[u"rcpt_tos"].toArray())
            arrRecipients << value.toString();
    }
    return arrRecipients;
}
