#pragma once

#include <QString>

// Certificates made with openssl for one test run: a CA that the tests name
// in CAFile, a server certificate it signed for 127.0.0.1 and localhost, one
// it signed for another host, and one for 127.0.0.1 signed by a CA nobody
// trusts.
class CTestCertificates {
public:
    // False, with openssl's complaint in ErrorText(), when a step failed.
    bool Generate(const QString& strFolder);
    QString ErrorText() const { return m_strError; }

    QString CaFile() const { return File(QStringLiteral("ca.pem")); }
    QString UntrustedCaFile() const { return File(QStringLiteral("rogue-ca.pem")); }
    QString ServerCertificate() const { return File(QStringLiteral("server.pem")); }
    QString ServerKey() const { return File(QStringLiteral("server.key")); }
    QString OtherHostCertificate() const { return File(QStringLiteral("otherhost.pem")); }
    QString OtherHostKey() const { return File(QStringLiteral("otherhost.key")); }
    QString UntrustedCertificate() const { return File(QStringLiteral("untrusted.pem")); }
    QString UntrustedKey() const { return File(QStringLiteral("untrusted.key")); }

private:
    QString File(const QString& strName) const { return m_strFolder + u'/' + strName; }
    bool MakeCa(const QString& strName);
    bool MakeServer(const QString& strName, const QString& strCa, const QString& strNames);
    bool OpenSsl(const QStringList& arrArguments);

    QString m_strFolder;
    QString m_strError;
};
