#include "CTestCertificates.h"

#include <QFile>
#include <QProcess>

namespace {

const QStringList kKeyOptions = {
    QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
    QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

} // namespace

bool CTestCertificates::Generate(const QString& strFolder) {
    m_strFolder = strFolder;
    return MakeCa(QStringLiteral("ca")) && MakeCa(QStringLiteral("rogue-ca")) &&
           MakeServer(QStringLiteral("server"), QStringLiteral("ca"),
                      QStringLiteral("IP:127.0.0.1,DNS:localhost")) &&
           MakeServer(QStringLiteral("otherhost"), QStringLiteral("ca"),
                      QStringLiteral("DNS:mail.example.org")) &&
           MakeServer(QStringLiteral("untrusted"), QStringLiteral("rogue-ca"),
                      QStringLiteral("IP:127.0.0.1,DNS:localhost"));
}

bool CTestCertificates::MakeCa(const QString& strName) {
    return OpenSsl(
        QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kKeyOptions +
        QStringList{QStringLiteral("-keyout"), File(strName + u".key"), QStringLiteral("-out"),
                    File(strName + u".pem"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-subj"), u"/CN=Corvane test " + strName,
                    QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                    QStringLiteral("-addext"),
                    QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
}

bool CTestCertificates::MakeServer(const QString& strName, const QString& strCa,
                                   const QString& strNames) {
    const QString strExtensions = File(strName + u".ext");
    QFile extensions(strExtensions);
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=" +
                     strNames.toUtf8() + '\n');
    extensions.close();
    return OpenSsl(QStringList{QStringLiteral("req")} + kKeyOptions +
                   QStringList{QStringLiteral("-keyout"), File(strName + u".key"),
                               QStringLiteral("-out"), File(strName + u".csr"),
                               QStringLiteral("-subj"), u"/CN=" + strName}) &&
           OpenSsl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    File(strName + u".csr"), QStringLiteral("-CA"), File(strCa + u".pem"),
                    QStringLiteral("-CAkey"), File(strCa + u".key"), QStringLiteral("-CAserial"),
                    File(strCa + u".srl"), QStringLiteral("-CAcreateserial"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                    strExtensions, QStringLiteral("-out"), File(strName + u".pem")});
}

bool CTestCertificates::OpenSsl(const QStringList& arrArguments) {
    QProcess process;
    process.start(QStringLiteral("openssl"), arrArguments);
    if (process.waitForFinished() && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    m_strError = QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}
