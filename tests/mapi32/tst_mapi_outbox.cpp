// libmapi32.so writing mails into an outbox folder: whole .eml files under
// names that never replace another file, and clear result codes for every
// folder it cannot write, with nothing left behind.

#include "CMimeSummary.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <linux/capability.h>
#include <optional>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kSubject = QStringLiteral("Grüße für Jürgen");
const QByteArray kRecipient = "juergen@example.org";
const QString kBody = QStringLiteral("Lieber Jürgen,\nanbei die Unterlagen.\n");

// Root may write anywhere; to see the library meet a folder it may not write
// into, the test gives up that privilege for a while.
class CWithoutDacOverride {
public:
    CWithoutDacOverride() {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (syscall(SYS_capget, &header, m_data) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_data[0], m_data[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_bLowered = syscall(SYS_capset, &header, lowered) == 0;
    }
    ~CWithoutDacOverride() {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (m_bLowered)
            syscall(SYS_capset, &header, m_data);
    }
    CWithoutDacOverride(const CWithoutDacOverride&) = delete;
    CWithoutDacOverride& operator=(const CWithoutDacOverride&) = delete;

private:
    __user_cap_data_struct m_data[2] = {};
    bool m_bLowered = false;
};

// Files larger than this cannot be written while it lasts: a full disk as
// far as the writer can tell.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = nBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

QStringList EntriesOf(const QString& strFolder) {
    return QDir(strFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                     QDir::Name);
}

} // namespace

class TestMapiOutbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void writesWholeMessage();
    void neverReplacesAFile();
    void reportsFolderFailures_data();
    void reportsFolderFailures();

private:
    void ConfigureOutbox(const QString& strFolder);

    QTemporaryDir m_dir;
    QString m_strAttachment;
    int m_nFolders = 0;
};

void TestMapiOutbox::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    m_strAttachment = m_dir.filePath(QStringLiteral("Anlage für Jürgen.bin"));
    QFile file(m_strAttachment);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 20000; ++i)
        file.write(QByteArray::number(i * 31) + '\0');
}

void TestMapiOutbox::init() {
    QFile::remove(CProfileSettings::FilePath());
}

void TestMapiOutbox::ConfigureOutbox(const QString& strFolder) {
    const QString strSection = QStringLiteral("MailSystem");
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Transport"),
                                        QStringLiteral("outbox"));
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Outbox"), strFolder);
    CProfileSettings::WriteProfileValue(strSection, QStringLiteral("Sender"),
                                        QStringLiteral("Jane Doe <jane@example.com>"));
}

void TestMapiOutbox::writesWholeMessage() {
    const QString strOutbox = m_dir.filePath(QStringLiteral("outbox-whole"));
    QVERIFY(QDir().mkpath(strOutbox));
    ConfigureOutbox(strOutbox);
    CTestMailLibrary library;
    CTestMapiMessage message(QStringLiteral("Jürgen Müller"), kRecipient, kSubject, kBody,
                             {m_strAttachment});

    QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);

    const QStringList arrEntries = EntriesOf(strOutbox);
    QCOMPARE(arrEntries.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{8}-\\d{6}-\\d+\\.eml$"))
                 .match(arrEntries.first())
                 .hasMatch(),
             qPrintable(arrEntries.first()));
    const QJsonObject summary = CMimeSummary::Of(QDir(strOutbox).filePath(arrEntries.first()));
    const QJsonArray to{QStringLiteral("Jürgen Müller"), QString::fromUtf8(kRecipient)};
    QCOMPARE(summary[u"to"].toArray(), QJsonArray{to});
    QCOMPARE(summary[u"subject"].toString(), kSubject);
    QCOMPARE(summary[u"body"].toString(), kBody);
    QCOMPARE(summary[u"bare_line_feeds"].toInt(), 0);
    const QJsonArray attachments = summary[u"attachments"].toArray();
    QCOMPARE(attachments.size(), 1);
    QFile attachment(m_strAttachment);
    QVERIFY(attachment.open(QIODevice::ReadOnly));
    QCOMPARE(attachments[0][u"name"].toString(), QStringLiteral("Anlage für Jürgen.bin"));
    QCOMPARE(attachments[0][u"sha256"].toString().toLatin1(),
             QCryptographicHash::hash(attachment.readAll(), QCryptographicHash::Sha256).toHex());
}

// Files already there under the names the next mails would get (this second
// and the next few) keep their content; the mails get other names.
void TestMapiOutbox::neverReplacesAFile() {
    const QString strOutbox = m_dir.filePath(QStringLiteral("outbox-taken"));
    QVERIFY(QDir().mkpath(strOutbox));
    ConfigureOutbox(strOutbox);
    const QDateTime now = QDateTime::currentDateTime();
    QStringList arrTaken;
    for (int nSecond = 0; nSecond < 4; ++nSecond) {
        for (int nNumber = 1; nNumber <= 2; ++nNumber) {
            const QString strName = now.addSecs(nSecond).toString(u"yyyyMMdd-HHmmss") +
                                    QStringLiteral("-%1.eml").arg(nNumber);
            QFile file(QDir(strOutbox).filePath(strName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("taken");
            arrTaken += strName;
        }
    }
    CTestMailLibrary library;
    constexpr int kMails = 3;
    for (int i = 0; i < kMails; ++i) {
        CTestMapiMessage message(QString(), kRecipient, kSubject, kBody);
        QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);
    }

    const QStringList arrEntries = EntriesOf(strOutbox);
    QCOMPARE(arrEntries.size(), arrTaken.size() + kMails);
    for (const QString& strName : arrEntries) {
        QFile file(QDir(strOutbox).filePath(strName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        if (arrTaken.contains(strName))
            QCOMPARE(content, QByteArray("taken"));
        else
            QVERIFY(content.contains("Subject: =?"));
    }
}

void TestMapiOutbox::reportsFolderFailures_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<ULONG>("result");
    QTest::addColumn<ULONG>("step");
    const ULONG nOutbox = CORVANE_STEP_OUTBOX;
    const ULONG nMessage = CORVANE_STEP_MESSAGE;
    QTest::newRow("folder missing") << "missing" << ULONG(MAPI_E_FAILURE) << nOutbox;
    QTest::newRow("a file, not a folder") << "file" << ULONG(MAPI_E_FAILURE) << nOutbox;
    QTest::newRow("folder not writable") << "read-only" << ULONG(MAPI_E_ACCESS_DENIED) << nOutbox;
    QTest::newRow("disk full") << "full" << ULONG(MAPI_E_DISK_FULL) << nOutbox;
    QTest::newRow("attachment missing")
        << "no attachment" << ULONG(MAPI_E_ATTACHMENT_NOT_FOUND) << nMessage;
    QTest::newRow("attachment unreadable")
        << "unreadable attachment" << ULONG(MAPI_E_ATTACHMENT_OPEN_FAILURE) << nMessage;
}

void TestMapiOutbox::reportsFolderFailures() {
    QFETCH(QString, failure);
    QFETCH(ULONG, result);
    QFETCH(ULONG, step);
    const QString strParent = m_dir.filePath(QStringLiteral("failing%1").arg(++m_nFolders));
    QVERIFY(QDir().mkpath(strParent));
    QString strOutbox = strParent;
    QStringList arrAttachments{m_strAttachment};
    if (failure == u"missing")
        strOutbox += QStringLiteral("/missing");
    if (failure == u"file") {
        strOutbox += QStringLiteral("/file");
        QFile file(strOutbox);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (failure == u"read-only")
        QVERIFY(QFile::setPermissions(strParent, QFile::ReadOwner | QFile::ExeOwner));
    if (failure == u"no attachment")
        arrAttachments = {m_dir.filePath(QStringLiteral("no such file.pdf"))};
    if (failure == u"unreadable attachment")
        arrAttachments = {m_dir.path()};
    ConfigureOutbox(strOutbox);
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), kRecipient, kSubject, kBody, arrAttachments);

    ULONG nResult = SUCCESS_SUCCESS;
    CorvaneResult last{};
    {
        const CWithoutDacOverride withoutOverride;
        std::optional<CFileSizeLimit> limit;
        if (failure == u"full")
            limit.emplace(4096);
        nResult = library.SendOne(message.Get(), 0, &last);
    }

    QFile::setPermissions(strParent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(nResult, result);
    QCOMPARE(last.ulResult, result);
    QCOMPARE(last.ulStep, step);
    if (step == CORVANE_STEP_OUTBOX)
        QVERIFY2(QString::fromUtf8(last.szReply).startsWith(strOutbox + u": "), last.szReply);
    const QStringList arrLeft = EntriesOf(strParent);
    QCOMPARE(arrLeft, failure == u"file" ? QStringList{QStringLiteral("file")} : QStringList());
}

QTEST_GUILESS_MAIN(TestMapiOutbox)
#include "tst_mapi_outbox.moc"
