#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The aiosmtpd server of smtp_server.py on 127.0.0.1, started and stopped by
// a test or bench. Every message it accepts is a file in its folder before
// the server answers the client, so a finished send can be checked at once.
class CSmtpTestServer {
public:
    explicit CSmtpTestServer(QString strFolder);
    ~CSmtpTestServer();
    CSmtpTestServer(const CSmtpTestServer&) = delete;
    CSmtpTestServer& operator=(const CSmtpTestServer&) = delete;

    // arrOptions as the script takes them (smtp_server.py: --tls, --cert,
    // --user, ...; scripted_smtp_server.py: --stall, --reply, ...). False,
    // with the server's complaint in ErrorText(), when it did not come up.
    bool Start(const QStringList& arrOptions = {},
               const QString& strScript = QStringLiteral("smtp_server.py"));
    void Stop();

    int Port() const { return m_nPort; }
    QString Url(const QString& strScheme,
                const QString& strHost = QStringLiteral("127.0.0.1")) const;
    QString ErrorText() const { return m_strError; }

    int MessageCount() const;
    int ConnectionCount() const;
    // The commands scripted_smtp_server.py read, one per entry.
    QStringList Commands() const;
    // Message n (1, 2, ...) as received, and its envelope.
    QString MessagePath(int nMessage) const;
    QByteArray MessageBytes(int nMessage) const;
    QJsonObject Envelope(int nMessage) const;
    // The recipients of every message, in the order they came.
    QStringList Recipients() const;

    static QString ScriptPath(const QString& strScript);

private:
    QString m_strFolder;
    QProcess m_process;
    int m_nPort = 0;
    QString m_strError;
};
