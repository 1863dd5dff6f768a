// libmapi32.so delivering to a real SMTP server (aiosmtpd on 127.0.0.1): plain,
// STARTTLS with login and SMTPS; refused logins and certificates; addresses
// and texts that must never reach the server or add header lines.

#include "CMimeSummary.h"
#include "CSmtpTestServer.h"
#include "CTestCertificates.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <dlfcn.h>
#include <gmime/gmime.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kUser = QStringLiteral("jane");
const QString kPassword = QStringLiteral("s3cret, \"quoted\"; #=");
const QString kSubject = QStringLiteral("Grüße für Jürgen");
const QString kRecipientName = QStringLiteral("Jürgen Müller");
const QByteArray kRecipient = "juergen@example.org";
const QString kBody = QStringLiteral("Lieber Jürgen,\r\n\r\nanbei die Unterlagen.\n"
                                     ".\n"
                                     ".. a line that starts with dots\n"
                                     "From here on a line that starts with From\n") +
                      QString(1200, u'x') + QStringLiteral("\nViele Grüße\nJane");

QByteArray Sha256Of(const QString& strPath) {
    QFile file(strPath);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// A port on 127.0.0.1 that nothing listens on: one the system just handed
// out and took back.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    const bool bBound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &nLength) == 0;
    ::close(fd);
    return bBound ? ntohs(address.sin_port) : 0;
}

// The one To mailbox and the subject as GMime's parser reads them.
struct GMimeSummary {
    QString strName;
    QString strAddress;
    QString strSubject;

    static GMimeSummary Of(const QByteArray& message) {
        static const bool bInitialised = (g_mime_init(), true);
        Q_UNUSED(bInitialised);
        GMimeSummary summary;
        GMimeStream* pStream =
            g_mime_stream_mem_new_with_buffer(message.constData(), message.size());
        GMimeParser* pParser = g_mime_parser_new_with_stream(pStream);
        GMimeMessage* pMessage = g_mime_parser_construct_message(pParser, nullptr);
        InternetAddressList* pTo = pMessage ? g_mime_message_get_to(pMessage) : nullptr;
        if (pTo && internet_address_list_length(pTo) == 1) {
            InternetAddress* pAddress = internet_address_list_get_address(pTo, 0);
            summary.strName = QString::fromUtf8(internet_address_get_name(pAddress));
            summary.strAddress = QString::fromUtf8(
                internet_address_mailbox_get_idn_addr(INTERNET_ADDRESS_MAILBOX(pAddress)));
            summary.strSubject = QString::fromUtf8(g_mime_message_get_subject(pMessage));
        }
        if (pMessage)
            g_object_unref(pMessage);
        g_object_unref(pParser);
        g_object_unref(pStream);
        return summary;
    }
};

QJsonArray Pair(const QString& strName, const QString& strAddress) {
    return QJsonArray{strName, strAddress};
}

} // namespace

class TestMapiSmtp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void deliversComposedMail_data();
    void deliversComposedMail();
    void wrongPasswordFailsLogon_data();
    void wrongPasswordFailsLogon();
    void refusesServerCertificate_data();
    void refusesServerCertificate();
    void demandsTlsFromOtherHosts();
    void reportsUnreachableServer();
    void refusesBadRecipients_data();
    void refusesBadRecipients();
    void textsAddNoHeaderLines_data();
    void textsAddNoHeaderLines();
    void toIsTheEnvelopeAddress_data();
    void toIsTheEnvelopeAddress();
    void reportsServerRefusals_data();
    void reportsServerRefusals();
    void loadsLibraryForEveryMail();
    void sendsWithoutExplicitLogon();

private:
    std::unique_ptr<CSmtpTestServer> StartServer(const QString& strTls, bool bLogin,
                                                 const QStringList& arrMore = {});
    void Configure(const QString& strServer, const QString& strPassword = kPassword,
                   const QString& strCaFile = QString());
    CTestMapiMessage GoodMessage() const;

    QTemporaryDir m_dir;
    CTestCertificates m_certificates;
    QStringList m_arrAttachments;
    int m_nServers = 0;
};

void TestMapiSmtp::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("certificates"))));
    QVERIFY2(m_certificates.Generate(m_dir.filePath(QStringLiteral("certificates"))),
             qPrintable(m_certificates.ErrorText()));

    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("Grüße an alle.txt"), "Hallo\r\nWelt\n\xc3\xa4\n"},
        {QStringLiteral("daten.bin"), binary},
        {QStringLiteral("Bericht.pdf"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"},
    };
    for (const auto& [strName, bytes] : files) {
        QFile file(m_dir.filePath(strName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        m_arrAttachments += file.fileName();
    }
}

void TestMapiSmtp::init() {
    QFile::remove(CProfileSettings::FilePath());
}

std::unique_ptr<CSmtpTestServer> TestMapiSmtp::StartServer(const QString& strTls, bool bLogin,
                                                           const QStringList& arrMore) {
    auto pServer = std::make_unique<CSmtpTestServer>(
        m_dir.filePath(QStringLiteral("server%1").arg(++m_nServers)));
    QStringList arrOptions{QStringLiteral("--tls"), strTls};
    if (strTls != u"none") {
        arrOptions += {QStringLiteral("--cert"), m_certificates.ServerCertificate(),
                       QStringLiteral("--key"), m_certificates.ServerKey()};
    }
    if (bLogin)
        arrOptions += {QStringLiteral("--user"), kUser, QStringLiteral("--password"), kPassword};
    if (!pServer->Start(arrOptions + arrMore))
        qWarning("SMTP server: %s", qPrintable(pServer->ErrorText()));
    return pServer;
}

void TestMapiSmtp::Configure(const QString& strServer, const QString& strPassword,
                             const QString& strCaFile) {
    const QString strSection = QStringLiteral("MailSystem");
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Transport"),
                                        QStringLiteral("smtp"));
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Server"), strServer);
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("User"), kUser);
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Password"), strPassword);
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Sender"),
                                        QStringLiteral("Jane Doe <jane@example.com>"));
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("CAFile"),
                                        strCaFile.isNull() ? m_certificates.CaFile() : strCaFile);
}

CTestMapiMessage TestMapiSmtp::GoodMessage() const {
    return CTestMapiMessage(kRecipientName, kRecipient, kSubject, kBody);
}

void TestMapiSmtp::deliversComposedMail_data() {
    QTest::addColumn<QString>("tls");
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("caFileOfTwo");
    QTest::newRow("plain to 127.0.0.1") << "none" << false << "smtp"
                                        << "127.0.0.1" << false;
    QTest::newRow("STARTTLS and login") << "starttls" << true << "smtp"
                                        << "127.0.0.1" << false;
    QTest::newRow("STARTTLS by host name") << "starttls" << true << "smtp"
                                           << "localhost" << false;
    QTest::newRow("SMTPS and login") << "smtps" << true << "smtps"
                                     << "127.0.0.1" << false;
    QTest::newRow("SMTPS, CA second in CAFile") << "smtps" << true << "smtps"
                                                << "127.0.0.1" << true;
}

void TestMapiSmtp::deliversComposedMail() {
    QFETCH(QString, tls);
    QFETCH(bool, login);
    QFETCH(QString, scheme);
    QFETCH(QString, host);
    QFETCH(bool, caFileOfTwo);
    const auto pServer = StartServer(tls, login);
    QVERIFY(pServer->Port() > 0);
    QString strCaFile = m_certificates.CaFile();
    if (caFileOfTwo) {
        strCaFile = m_dir.filePath(QStringLiteral("two-cas.pem"));
        QFile bundle(strCaFile);
        QVERIFY(bundle.open(QIODevice::WriteOnly));
        for (const QString& strPart : {m_certificates.UntrustedCaFile(), m_certificates.CaFile()}) {
            QFile part(strPart);
            QVERIFY(part.open(QIODevice::ReadOnly));
            bundle.write(part.readAll());
        }
    }
    Configure(pServer->Url(scheme, host), kPassword, strCaFile);
    CTestMailLibrary library;
    QVERIFY2(library.IsUsable(), qPrintable(library.ErrorText()));
    CTestMapiMessage message(kRecipientName, kRecipient, kSubject, kBody, m_arrAttachments);

    QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);

    QCOMPARE(pServer->MessageCount(), 1);
    QCOMPARE(pServer->ConnectionCount(), 1); // the send went over the logon's connection
    const QJsonObject envelope = pServer->Envelope(1);
    QCOMPARE(envelope[u"mail_from"].toString(), QStringLiteral("jane@example.com"));
    QCOMPARE(envelope[u"rcpt_tos"].toArray(), QJsonArray{QString::fromUtf8(kRecipient)});
    QVERIFY(!pServer->MessageBytes(1).contains(kPassword.toUtf8()));

    const QJsonObject summary = CMimeSummary::Of(pServer->MessagePath(1));
    QCOMPARE(summary[u"from"].toArray(),
             QJsonArray{Pair(QStringLiteral("Jane Doe"), QStringLiteral("jane@example.com"))});
    QCOMPARE(summary[u"to"].toArray(),
             QJsonArray{Pair(kRecipientName, QString::fromUtf8(kRecipient))});
    QCOMPARE(summary[u"subject"].toString(), kSubject);
    QCOMPARE(summary[u"body"].toString(),
             QString(kBody).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(summary[u"body_charset"].toString(), QStringLiteral("utf-8"));
    QVERIFY(!summary[u"date"].toString().isEmpty());
    QVERIFY(summary[u"message_id"].toString().endsWith(u"@example.com>"));
    QCOMPARE(summary[u"bare_line_feeds"].toInt(), 0);
    QCOMPARE(summary[u"defects"].toArray(), QJsonArray());

    const QJsonArray attachments = summary[u"attachments"].toArray();
    const QStringList arrTypes = {QStringLiteral("text/plain"),
                                  QStringLiteral("application/octet-stream"),
                                  QStringLiteral("application/pdf")};
    QCOMPARE(attachments.size(), m_arrAttachments.size());
    for (int i = 0; i < attachments.size(); ++i) {
        const QJsonObject attachment = attachments[i].toObject();
        QCOMPARE(attachment[u"name"].toString(), QFileInfo(m_arrAttachments[i]).fileName());
        QCOMPARE(attachment[u"sha256"].toString().toLatin1(), Sha256Of(m_arrAttachments[i]));
        QCOMPARE(attachment[u"type"].toString(), arrTypes[i]);
        QCOMPARE(attachment[u"encoding"].toString(), QStringLiteral("base64"));
    }
}

void TestMapiSmtp::wrongPasswordFailsLogon_data() {
    QTest::addColumn<QString>("tls");
    QTest::addColumn<QString>("scheme");
    QTest::newRow("STARTTLS") << "starttls"
                              << "smtp";
    QTest::newRow("SMTPS") << "smtps"
                           << "smtps";
}

void TestMapiSmtp::wrongPasswordFailsLogon() {
    QFETCH(QString, tls);
    QFETCH(QString, scheme);
    const auto pServer = StartServer(tls, true);
    Configure(pServer->Url(scheme), QStringLiteral("not the password"));
    CTestMailLibrary library;
    LHANDLE hSession = 0;

    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), MAPI_E_LOGON_FAILURE);

    QCOMPARE(hSession, LHANDLE(0));
    QCOMPARE(pServer->MessageCount(), 0);
}

void TestMapiSmtp::refusesServerCertificate_data() {
    QTest::addColumn<QString>("tls");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<bool>("trustTestCa");
    QTest::newRow("STARTTLS, CA not trusted") << "starttls"
                                              << "smtp"
                                              << "untrusted" << true;
    QTest::newRow("SMTPS, CA not trusted") << "smtps"
                                           << "smtps"
                                           << "untrusted" << true;
    QTest::newRow("SMTPS, certificate for another host") << "smtps"
                                                         << "smtps"
                                                         << "otherhost" << true;
    QTest::newRow("STARTTLS, system CAs only") << "starttls"
                                               << "smtp"
                                               << "server" << false;
}

void TestMapiSmtp::refusesServerCertificate() {
    QFETCH(QString, tls);
    QFETCH(QString, scheme);
    QFETCH(QString, certificate);
    QFETCH(bool, trustTestCa);
    const QString strFolder = m_dir.filePath(QStringLiteral("certificates/"));
    const auto pServer = StartServer(tls, true,
                                     {QStringLiteral("--cert"), strFolder + certificate + u".pem",
                                      QStringLiteral("--key"), strFolder + certificate + u".key"});
    Configure(pServer->Url(scheme), kPassword, trustTestCa ? QString() : QStringLiteral(""));
    CTestMailLibrary library;
    CTestMapiMessage message = GoodMessage();

    QCOMPARE(library.SendOne(message.Get()), MAPI_E_LOGON_FAILURE);

    QCOMPARE(pServer->MessageCount(), 0);
}

// smtp:// to a host that is not named as this machine must not fall back to
// plain text; [::ffff:127.0.0.1] reaches the loopback server under a name
// that is not on the short list of local ones.
void TestMapiSmtp::demandsTlsFromOtherHosts() {
    const auto pServer = StartServer(QStringLiteral("none"), false);
    Configure(pServer->Url(QStringLiteral("smtp"), QStringLiteral("[::ffff:127.0.0.1]")));
    CTestMailLibrary library;
    CTestMapiMessage message = GoodMessage();

    QCOMPARE(library.SendOne(message.Get()), MAPI_E_LOGON_FAILURE);

    QCOMPARE(pServer->ConnectionCount(), 1);
    QCOMPARE(pServer->MessageCount(), 0);
}

void TestMapiSmtp::reportsUnreachableServer() {
    const int nPort = ClosedPort();
    QVERIFY(nPort > 0);
    Configure(QStringLiteral("smtp://127.0.0.1:%1").arg(nPort));
    CTestMailLibrary library;
    CTestMapiMessage message = GoodMessage();

    QCOMPARE(library.SendOne(message.Get()), MAPI_E_NETWORK_FAILURE);
}

void TestMapiSmtp::refusesBadRecipients_data() {
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<int>("recipients");
    QTest::addColumn<ULONG>("recipientClass");
    QTest::addColumn<ULONG>("result");
    const ULONG nInvalid = MAPI_E_INVALID_RECIPS;
    QTest::newRow("CR LF and a command")
        << QByteArray("ann@example.org\r\nRCPT TO:<eve@example.net>") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("bare line feed")
        << QByteArray("ann@example.org\nbob@example.net") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("blank") << QByteArray("ann @example.org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("tab") << QByteArray("ann@example.org\t") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("control character")
        << QByteArray("ann\x01@example.org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("two addresses, comma")
        << QByteArray("ann@example.org,bob@example.net") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("two addresses, semicolon")
        << QByteArray("ann@example.org;bob@example.net") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("name and address")
        << QByteArray("Ann <ann@example.org>") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("empty") << QByteArray("") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("no @") << QByteArray("ann.example.org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("two @") << QByteArray("ann@bob@example.org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("quoted local part")
        << QByteArray("\"a b\"@example.org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("non-ASCII") << QByteArray("j\xc3\xbcrgen@example.org") << 1 << MAPI_TO
                               << nInvalid;
    QTest::newRow("empty domain part")
        << QByteArray("ann@example..org") << 1 << MAPI_TO << nInvalid;
    QTest::newRow("two recipients")
        << QByteArray("ann@example.org") << 2 << MAPI_TO << ULONG(MAPI_E_TOO_MANY_RECIPIENTS);
    QTest::newRow("no recipient") << QByteArray("ann@example.org") << 0 << MAPI_TO << nInvalid;
    QTest::newRow("copy, not to") << QByteArray("ann@example.org") << 1 << MAPI_CC
                                  << ULONG(MAPI_E_BAD_RECIPTYPE);
}

// Nothing of a refused mail arrives, and the session still sends the next
// good one.
void TestMapiSmtp::refusesBadRecipients() {
    QFETCH(QByteArray, address);
    QFETCH(int, recipients);
    QFETCH(ULONG, recipientClass);
    QFETCH(ULONG, result);
    const auto pServer = StartServer(QStringLiteral("none"), false);
    Configure(pServer->Url(QStringLiteral("smtp")));
    CTestMailLibrary library;
    CTestMapiMessage bad(QString(), address, kSubject, kBody);
    bad.SetRecipientClass(recipientClass);
    if (recipients == 0)
        bad.RemoveRecipients();
    if (recipients == 2)
        bad.AddRecipient("bob@example.net");
    CTestMapiMessage good = GoodMessage();
    LHANDLE hSession = 0;
    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), SUCCESS_SUCCESS);

    QCOMPARE(library.m_pfnSendMail(hSession, 0, bad.Get(), 0, 0), result);
    QCOMPARE(library.m_pfnSendMail(hSession, 0, good.Get(), 0, 0), SUCCESS_SUCCESS);

    QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), SUCCESS_SUCCESS);
    QCOMPARE(pServer->MessageCount(), 1);
    QCOMPARE(pServer->Envelope(1)[u"rcpt_tos"].toArray(),
             QJsonArray{QString::fromUtf8(kRecipient)});
}

void TestMapiSmtp::textsAddNoHeaderLines_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedSubject");
    QTest::newRow("subject with CR LF") << kRecipientName << "Hello\r\nBcc: eve@example.net"
                                        << kRecipientName << "Hello Bcc: eve@example.net";
    QTest::newRow("subject with LF and a blank line")
        << kRecipientName << "Hello\n\nX-Injected: yes" << kRecipientName
        << "Hello X-Injected: yes";
    QTest::newRow("name with CR LF") << "Jürgen\r\nBcc: eve@example.net" << kSubject
                                     << "Jürgen Bcc: eve@example.net" << kSubject;
    QTest::newRow("name with a bare CR and a comma")
        << "Müller, Jürgen\rCc: eve@example.net" << kSubject << "Müller, Jürgen Cc: eve@example.net"
        << kSubject;
    // Texts that look like the start of an encoded word must not end the
    // line they are folded in.
    const QString strReplyTo = QStringLiteral("Offer =?utf-8?b? ") + QString(53, u'y') +
                               QStringLiteral(" R?=eply-To: attacker@evil.example");
    const QString strNoColon = QStringLiteral("Offer =?utf-8?b? ") + QString(100, u'q') +
                               QStringLiteral(" R?=eply-To: attacker@evil.example");
    QTest::newRow("subject, encoded-word lookalike and Reply-To")
        << kRecipientName << strReplyTo << kRecipientName << strReplyTo;
    QTest::newRow("subject, encoded-word lookalike of 100 q")
        << kRecipientName << strNoColon << kRecipientName << strNoColon;
    const QString strName89 = QStringLiteral("=?utf-8?b? ") + QString(44, u'y') +
                              QStringLiteral(" R?=eply-To: attacker@evil.example");
    QTest::newRow("name of 89 characters in name and subject")
        << strName89 << u"Offer for " + strName89 << strName89 << u"Offer for " + strName89;
    QTest::newRow("subject of a valid encoded word stays text")
        << kRecipientName << "=?utf-8?b?QmNjOiBldmU=?=" << kRecipientName
        << "=?utf-8?b?QmNjOiBldmU=?=";
    const QString strLongName = QString(45, u'n') + u"  Müller-" + QString(40, u'm');
    QTest::newRow("long words and double blanks")
        << strLongName << QStringLiteral("a  b ") + QString(120, u'z') + u"ü" << strLongName
        << QStringLiteral("a  b ") + QString(120, u'z') + u"ü";
}

void TestMapiSmtp::textsAddNoHeaderLines() {
    QFETCH(QString, name);
    QFETCH(QString, subject);
    QFETCH(QString, expectedName);
    QFETCH(QString, expectedSubject);
    const auto pServer = StartServer(QStringLiteral("none"), false);
    Configure(pServer->Url(QStringLiteral("smtp")));
    CTestMailLibrary library;
    CTestMapiMessage message(name, kRecipient, subject, kBody);

    QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);

    QCOMPARE(pServer->Envelope(1)[u"rcpt_tos"].toArray(),
             QJsonArray{QString::fromUtf8(kRecipient)});
    const QJsonObject summary = CMimeSummary::Of(pServer->MessagePath(1));
    // Python joins encoded words of a display name with blanks of its own;
    // GMime, which reads them as RFC 2047 says, gets the name exactly.
    const QJsonArray to = summary[u"to"].toArray();
    QCOMPARE(to.size(), 1);
    QCOMPARE(to[0].toArray()[0].toString().simplified(), expectedName.simplified());
    QCOMPARE(to[0].toArray()[1].toString(), QString::fromUtf8(kRecipient));
    QCOMPARE(summary[u"subject"].toString(), expectedSubject);
    const GMimeSummary parsed = GMimeSummary::Of(pServer->MessageBytes(1));
    QCOMPARE(parsed.strName, expectedName);
    QCOMPARE(parsed.strAddress, QString::fromUtf8(kRecipient));
    QCOMPARE(parsed.strSubject, expectedSubject);
    const QStringList arrHeaders = summary[u"headers"].toVariant().toStringList();
    for (const char* pHeader : {"Bcc", "Cc", "X-Injected", "Reply-To"})
        QVERIFY2(!arrHeaders.contains(QLatin1String(pHeader), Qt::CaseInsensitive), pHeader);
    QCOMPARE(summary[u"defects"].toArray(), QJsonArray());
    // Every line of the header is a field of its own or continues one.
    const QByteArray bytes = pServer->MessageBytes(1);
    const QByteArray header = bytes.left(bytes.indexOf("\r\n\r\n"));
    for (const QByteArray& line : header.split('\n')) {
        QVERIFY2(line.size() <= 79, line.constData()); // 78 and the CR
        QVERIFY2(line.startsWith(' ') || line.contains(':'), header.constData());
    }
}

// The address in To is the envelope's, byte for byte, or the mail is refused
// before anything reaches the server.
void TestMapiSmtp::toIsTheEnvelopeAddress_data() {
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("sent");
    QTest::newRow("well-formed xn-- domain") << QByteArray("anna@xn--mnchen-3ya.de") << true;
    QTest::newRow("xn-- label not in its canonical form")
        << QByteArray("o'brien@xn--plGre") << false;
    QTest::newRow("canonical form of that label") << QByteArray("o'brien@xn--qlgph") << true;
    QTest::newRow("XN-- in capitals") << QByteArray("anna@XN--MNCHEN-3YA.DE") << false;
    QTest::newRow("capitals beside an xn-- label") << QByteArray("anna@xn--mnchen-3ya.De") << false;
    QTest::newRow("capitals without xn--") << QByteArray("Anna@Example.ORG") << true;
    QTest::newRow("xn-- label of control characters") << QByteArray("bob@xn--abc.com") << false;
    QTest::newRow("xn-- label of ASCII only") << QByteArray("bob@xn--abc-.com") << false;
    QTest::newRow("xn-- label cut short") << QByteArray("bob@xn--zz.com") << false;
    QTest::newRow("empty xn-- label") << QByteArray("bob@xn--.com") << false;
    QTest::newRow("XN-- label cut short") << QByteArray("bob@mail.XN--99999999") << false;
    QTest::newRow("xn-- in the local part") << QByteArray("xn--abc@example.org") << true;
    QTest::newRow("longest address")
        << QByteArray(64, 'l') + '@' + QByteArray(185, 'd') + ".org" << true;
    QTest::newRow("address too long")
        << QByteArray(64, 'l') + '@' + QByteArray(186, 'd') + ".org" << false;
}

void TestMapiSmtp::toIsTheEnvelopeAddress() {
    QFETCH(QByteArray, address);
    QFETCH(bool, sent);
    const auto pServer = StartServer(QStringLiteral("none"), false);
    Configure(pServer->Url(QStringLiteral("smtp")));
    CTestMailLibrary library;
    CTestMapiMessage message(QStringLiteral("Bob"), address, kSubject, kBody);

    QCOMPARE(library.SendOne(message.Get()), sent ? SUCCESS_SUCCESS : ULONG(MAPI_E_INVALID_RECIPS));

    QCOMPARE(pServer->MessageCount(), sent ? 1 : 0);
    if (!sent)
        return;
    QCOMPARE(pServer->Envelope(1)[u"rcpt_tos"].toArray(), QJsonArray{QString::fromUtf8(address)});
    const QByteArray unfolded = pServer->MessageBytes(1).replace("\r\n ", " ");
    QVERIFY2(unfolded.contains(QByteArray("\r\nTo: Bob <" + address + ">\r\n")),
             unfolded.left(600).constData());
}

void TestMapiSmtp::reportsServerRefusals_data() {
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<ULONG>("result");
    QTest::newRow("recipient refused")
        << QStringList{QStringLiteral("--refuse-recipient"), QString::fromUtf8(kRecipient)}
        << ULONG(MAPI_E_UNKNOWN_RECIPIENT);
    QTest::newRow("sender refused")
        << QStringList{QStringLiteral("--refuse-sender"), QStringLiteral("jane@example.com")}
        << ULONG(MAPI_E_ACCESS_DENIED);
}

void TestMapiSmtp::reportsServerRefusals() {
    QFETCH(QStringList, serverOptions);
    QFETCH(ULONG, result);
    const auto pServer = StartServer(QStringLiteral("starttls"), true, serverOptions);
    Configure(pServer->Url(QStringLiteral("smtp")));
    CTestMailLibrary library;
    CTestMapiMessage message = GoodMessage();

    QCOMPARE(library.SendOne(message.Get()), result);

    QCOMPARE(pServer->MessageCount(), 0);
}

// As the program does it: load, log on, send, log off and unload for every
// mail. The library stays in memory after the first unload.
void TestMapiSmtp::loadsLibraryForEveryMail() {
    const auto pServer = StartServer(QStringLiteral("starttls"), true);
    Configure(pServer->Url(QStringLiteral("smtp")));
    constexpr int kMails = 5;
    for (int i = 0; i < kMails; ++i) {
        CTestMailLibrary library;
        QVERIFY(library.IsUsable());
        CTestMapiMessage message(kRecipientName, kRecipient, kSubject + QString::number(i), kBody,
                                 m_arrAttachments);
        QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);
    }
    QCOMPARE(pServer->MessageCount(), kMails);
    QCOMPARE(CMimeSummary::Of(pServer->MessagePath(kMails))[u"subject"].toString(),
             kSubject + QString::number(kMails - 1));
    void* hStillLoaded =
        dlopen(QFile::encodeName(CTestMailLibrary::Path()).constData(), RTLD_NOW | RTLD_NOLOAD);
    QVERIFY(hStillLoaded != nullptr);
    dlclose(hStillLoaded);
}

void TestMapiSmtp::sendsWithoutExplicitLogon() {
    const auto pServer = StartServer(QStringLiteral("smtps"), true);
    Configure(pServer->Url(QStringLiteral("smtps")));
    CTestMailLibrary library;
    CTestMapiMessage message = GoodMessage();

    QCOMPARE(library.m_pfnSendMail(0, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);

    QCOMPARE(pServer->MessageCount(), 1);
}

QTEST_GUILESS_MAIN(TestMapiSmtp)
#include "tst_mapi_smtp.moc"
