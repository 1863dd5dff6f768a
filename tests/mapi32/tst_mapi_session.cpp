// libmapi32.so's logon checks of the settings, its handling of session
// handles and flags, the answers of CorvaneSentMessageId, and what it exports.

#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSection = QStringLiteral("MailSystem");

} // namespace

class TestMapiSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void logonChecksSettings_data();
    void logonChecksSettings();
    void refusesUnknownSessions();
    void refusesDialogs();
    void refusesTextsThatAreNotUtf8();
    void sentMessageIdAnswers_data();
    void sentMessageIdAnswers();
    void exportsOnlyItsOwnFunctions();

private:
    QString Outbox() const { return m_dir.filePath(QStringLiteral("outbox")); }

    QTemporaryDir m_dir;
};

void TestMapiSession::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    QVERIFY(QDir().mkpath(Outbox()));
}

// Every case starts from a working outbox set-up.
void TestMapiSession::init() {
    QFile::remove(CProfileSettings::FilePath());
    CProfileSettings::WriteProfileValue(kSection, QStringLiteral("Transport"),
                                        QStringLiteral("outbox"));
    CProfileSettings::WriteProfileValue(kSection, QStringLiteral("Outbox"), Outbox());
    CProfileSettings::WriteProfileValue(kSection, QStringLiteral("Sender"),
                                        QStringLiteral("Jane Doe <jane@example.com>"));
}

void TestMapiSession::logonChecksSettings_data() {
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<ULONG>("result");
    const ULONG nLogon = MAPI_E_LOGON_FAILURE;
    const QString strSmtp = QStringLiteral("Transport=smtp");
    const QString strServer = QStringLiteral("Server=smtp://127.0.0.1:1");
    QTest::newRow("outbox as set up") << QStringList() << ULONG(SUCCESS_SUCCESS);
    QTest::newRow("transport named in capitals")
        << QStringList{QStringLiteral("Transport=OUTBOX")} << ULONG(SUCCESS_SUCCESS);
    QTest::newRow("sender as bare address")
        << QStringList{QStringLiteral("Sender=jane@example.com")} << ULONG(SUCCESS_SUCCESS);
    QTest::newRow("sender missing") << QStringList{QStringLiteral("Sender=")} << nLogon;
    QTest::newRow("sender of two addresses")
        << QStringList{QStringLiteral("Sender=jane@example.com, joe@example.com")} << nLogon;
    QTest::newRow("sender with a blank in the address")
        << QStringList{QStringLiteral("Sender=Jane <jane doe@example.com>")} << nLogon;
    QTest::newRow("sender without @") << QStringList{QStringLiteral("Sender=Jane Doe")} << nLogon;
    QTest::newRow("outbox missing") << QStringList{QStringLiteral("Outbox=")} << nLogon;
    QTest::newRow("unknown transport") << QStringList{QStringLiteral("Transport=pigeon")} << nLogon;
    QTest::newRow("SMTP without server") << QStringList{strSmtp} << nLogon;
    QTest::newRow("server of another protocol")
        << QStringList{strSmtp, QStringLiteral("Server=ftp://127.0.0.1:1")} << nLogon;
    QTest::newRow("CA file missing")
        << QStringList{strSmtp, strServer, QStringLiteral("CAFile=/nonexistent/ca.pem")} << nLogon;
}

// Each change is "Key=Value" in section [MailSystem].
void TestMapiSession::logonChecksSettings() {
    QFETCH(QStringList, changes);
    QFETCH(ULONG, result);
    for (const QString& strChange : changes) {
        const qsizetype nEquals = strChange.indexOf(u'=');
        CProfileSettings::WriteProfileValue(kSection, strChange.left(nEquals),
                                            strChange.mid(nEquals + 1));
    }
    CTestMailLibrary library;
    LHANDLE hSession = 0;

    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), result);

    QCOMPARE(hSession != 0, result == SUCCESS_SUCCESS);
    if (hSession != 0)
        QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), SUCCESS_SUCCESS);
}

void TestMapiSession::refusesUnknownSessions() {
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), "ann@example.org", QStringLiteral("s"),
                             QStringLiteral("b"));
    LHANDLE hSession = 0;
    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, nullptr), MAPI_E_FAILURE);
    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), SUCCESS_SUCCESS);
    QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), SUCCESS_SUCCESS);

    QCOMPARE(library.m_pfnSendMail(hSession, 0, message.Get(), 0, 0), MAPI_E_INVALID_SESSION);
    QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), MAPI_E_INVALID_SESSION);
    QCOMPARE(library.m_pfnSendMail(hSession + 1000, 0, message.Get(), 0, 0),
             MAPI_E_INVALID_SESSION);
    QCOMPARE(QDir(Outbox()).isEmpty(), true);
}

void TestMapiSession::refusesDialogs() {
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), "ann@example.org", QStringLiteral("s"),
                             QStringLiteral("b"));

    QCOMPARE(library.SendOne(message.Get(), MAPI_DIALOG), MAPI_E_NOT_SUPPORTED);

    QVERIFY(QDir(Outbox()).isEmpty());
}

void TestMapiSession::refusesTextsThatAreNotUtf8() {
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), "ann@example.org", QString(), QStringLiteral("b"));
    message.SetSubjectBytes("Gr\xfc\xdf"
                            "e"); // Windows-1252, not UTF-8

    QCOMPARE(library.SendOne(message.Get()), MAPI_E_INVALID_MESSAGE);

    QVERIFY(QDir(Outbox()).isEmpty());
}

// nRoom is the buffer's size less the bytes the Message-ID and its zero byte
// need; the buffer holds the Message-ID on success, else the empty text. A
// failed send after the mail leaves its Message-ID.
void TestMapiSession::sentMessageIdAnswers_data() {
    QTest::addColumn<bool>("bSend");
    QTest::addColumn<bool>("bLogoff");
    QTest::addColumn<bool>("bBuffer");
    QTest::addColumn<int>("nRoom");
    QTest::addColumn<ULONG>("result");
    QTest::newRow("exactly the room needed")
        << true << false << true << 0 << ULONG(SUCCESS_SUCCESS);
    QTest::newRow("room to spare") << true << false << true << 50 << ULONG(SUCCESS_SUCCESS);
    QTest::newRow("no room for the zero byte")
        << true << false << true << -1 << ULONG(MAPI_E_TEXT_TOO_LARGE);
    QTest::newRow("no buffer") << true << false << false << 0 << ULONG(MAPI_E_TEXT_TOO_LARGE);
    QTest::newRow("no mail yet") << false << false << true << 500 << ULONG(MAPI_E_NO_MESSAGES);
    QTest::newRow("logged off") << true << true << true << 0 << ULONG(MAPI_E_INVALID_SESSION);
}

void TestMapiSession::sentMessageIdAnswers() {
    QFETCH(bool, bSend);
    QFETCH(bool, bLogoff);
    QFETCH(bool, bBuffer);
    QFETCH(int, nRoom);
    QFETCH(ULONG, result);
    CTestMailLibrary library;
    QVERIFY(library.m_pfnSentMessageId != nullptr);
    CTestMapiMessage message(QString(), "ann@example.org", QStringLiteral("s"),
                             QStringLiteral("b"));
    LHANDLE hSession = 0;
    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), SUCCESS_SUCCESS);
    QByteArray messageId(1000, 'x');
    if (bSend) {
        QCOMPARE(library.m_pfnSendMail(hSession, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
        QCOMPARE(library.m_pfnSentMessageId(hSession, messageId.data(), 1000), SUCCESS_SUCCESS);
        messageId.truncate(qstrlen(messageId.constData()));
        QVERIFY2(messageId.startsWith("<") && messageId.endsWith("@example.com>"),
                 messageId.constData());
        message.RemoveRecipients();
        QCOMPARE(library.m_pfnSendMail(hSession, 0, message.Get(), 0, 0), MAPI_E_INVALID_RECIPS);
    }
    if (bLogoff)
        QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), SUCCESS_SUCCESS);
    QByteArray buffer(messageId.size() + 1 + nRoom, 'x');

    QCOMPARE(library.m_pfnSentMessageId(hSession, bBuffer ? buffer.data() : nullptr,
                                        ULONG(buffer.size())),
             result);

    if (bBuffer)
        QCOMPARE(QByteArray(buffer.constData()),
                 result == SUCCESS_SUCCESS ? messageId : QByteArray());
    if (!bLogoff)
        QCOMPARE(library.m_pfnLogoff(hSession, 0, 0, 0), SUCCESS_SUCCESS);
}

void TestMapiSession::exportsOnlyItsOwnFunctions() {
    QProcess nm;
    nm.start(QStringLiteral("nm"),
             {QStringLiteral("--dynamic"), QStringLiteral("--defined-only"),
              QStringLiteral("--format=just-symbols"), CTestMailLibrary::Path()});
    QVERIFY(nm.waitForFinished());
    QCOMPARE(nm.exitCode(), 0);
    QStringList arrSymbols =
        QString::fromLatin1(nm.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    arrSymbols.sort();
    QCOMPARE(arrSymbols,
             (QStringList{QStringLiteral("CorvaneAbortSend"), QStringLiteral("CorvaneLastResult"),
                          QStringLiteral("CorvaneSentMessageId"), QStringLiteral("MAPILogoff"),
                          QStringLiteral("MAPILogon"), QStringLiteral("MAPISendMail")}));
}

QTEST_GUILESS_MAIN(TestMapiSession)
#include "tst_mapi_session.moc"
