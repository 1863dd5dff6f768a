#include "CMimeSummary.h"

#include "CSmtpTestServer.h"

#include <QJsonDocument>
#include <QProcess>

QJsonObject CMimeSummary::Of(const QString& strMessagePath) {
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  {CSmtpTestServer::ScriptPath(QStringLiteral("mime_summary.py")), strMessagePath});
    if (!process.waitForFinished() || process.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}
