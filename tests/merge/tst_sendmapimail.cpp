#include "MapiRecord.h"
#include "MessageBoxRecorder.h"
#include "engine/merge/CHtmlMail.h"
#include "engine/send/CMapiSender.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "views/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <dlfcn.h>
#include <memory>

namespace {

const QString kNotInstalled = QStringLiteral("System|MAPI is not installed on this computer.");
const QString kLibraryName = QStringLiteral("libmapi32.so");

// The events of a record, without the details of the message.
QStringList Events(const MapiRecord& record) {
    static const QStringList arrEvents = {"load",      "logon",  "message", "send",
                                          "messageid", "logoff", "unload"};
    QStringList arrNames = record.Names();
    arrNames.removeIf([](const QString& strName) { return !arrEvents.contains(strName); });
    return arrNames;
}

QString Warning(const QString& strPath) {
    return QStringLiteral("Application|Can not find a file: \"") + strPath +
           QStringLiteral("\".\nIt will not be attached to that Mail.");
}

QString FileLine(const QString& strPath) {
    return QStringLiteral("path=") + strPath + QStringLiteral(" name=") + strPath +
           QStringLiteral(" position=4294967295 flags=0 type=(null)");
}

} // namespace

class TestSendMapiMail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void reportsEachFailureOnce_data();
    void reportsEachFailureOnce();
    void fillsTheSimpleMapiStructures_data();
    void fillsTheSimpleMapiStructures();
    void splitsAndChecksTheAttachmentList_data();
    void splitsAndChecksTheAttachmentList();
    void loadsTheLibraryForEveryMail();
    void handsTheAssembledMailToTheTransport();
    void codeAloneTellsATemporaryFailure_data();
    void codeAloneTellsATemporaryFailure();
    void formattedMailNeedsALibraryThatSendsIt();
    void asksForTheMessageIdBeforeLogoff_data();
    void asksForTheMessageIdBeforeLogoff();
    void findsTheLibraryInItsOrder_data();
    void findsTheLibraryInItsOrder();
    void plantedLibraryNeverRuns_data();
    void plantedLibraryNeverRuns();
    void linkerPathHoldsTheCurrentDirectory();

private:
    bool Send(const QString& strName, const QString& strAddress, const QString& strAttachments,
              MessageBoxRecorder& boxes);
    QStringList Messages(const MessageBoxRecorder& boxes) const;
    void Plant(const QString& strLibrary, const QString& strPath);
    void Write(const QString& strRelative, const QByteArray& bytes);
    QStringList PlantedPaths() const;

    QTemporaryDir m_startDir;
    QString m_strRecord;
    std::unique_ptr<CAddressDatabase> m_pDb;
};

void TestSendMapiMail::initTestCase() {
    QVERIFY(m_startDir.isValid());
    m_strRecord = m_startDir.filePath(QStringLiteral("record.txt"));
    qputenv("MAPI_TEST_RECORD", QFile::encodeName(m_strRecord));
    g_strStartDir = m_startDir.path();
    QVERIFY(QDir::setCurrent(g_strStartDir));
    m_pDb = std::make_unique<CAddressDatabase>();
    Write(QStringLiteral("a.txt"), "first");
    Write(QStringLiteral("b.txt"), "second");
    Write(QStringLiteral("sub dir/c d.txt"), "third");
    Write(QStringLiteral("ä.txt"), "fourth");
    Write(QStringLiteral("not-a-library.so"), "This is text, not a library.");
    QVERIFY(QDir(g_strStartDir).mkpath(QStringLiteral("folder")));
}

void TestSendMapiMail::init() {
    QVERIFY(QDir::setCurrent(g_strStartDir));
    QFile::remove(m_strRecord);
    QFile::remove(CProfileSettings::FilePath());
    QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MAIL"), QStringLiteral("MAPI"), 1));
    qputenv("CORVANE_MAPI_LIBRARY", PROVIDER_RECORD);
    for (const QString& strPath : PlantedPaths())
        QFile::remove(strPath);
}

void TestSendMapiMail::cleanup() {
    for (const QString& strPath : PlantedPaths())
        QFile::remove(strPath);
}

void TestSendMapiMail::cleanupTestCase() {
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

// Where a library may be planted: in the template folder, beside the
// program, and in the private library folder of an installed copy.
QStringList TestSendMapiMail::PlantedPaths() const {
    const QString strProgramFolder = QCoreApplication::applicationDirPath();
    return {m_startDir.filePath(kLibraryName),
            m_startDir.filePath(QStringLiteral("lib/") + kLibraryName),
            strProgramFolder + u'/' + kLibraryName,
            strProgramFolder + QStringLiteral("/../lib/corvane/") + kLibraryName};
}

void TestSendMapiMail::Write(const QString& strRelative, const QByteArray& bytes) {
    const QString strPath = m_startDir.filePath(strRelative);
    QVERIFY(QDir().mkpath(QFileInfo(strPath).path()));
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestSendMapiMail::Plant(const QString& strLibrary, const QString& strPath) {
    QVERIFY(QDir().mkpath(QFileInfo(strPath).path()));
    QFile::remove(strPath);
    QVERIFY(QFile::copy(strLibrary, strPath));
}

bool TestSendMapiMail::Send(const QString& strName, const QString& strAddress,
                            const QString& strAttachments, MessageBoxRecorder& boxes) {
    boxes.m_onCall = [this](const MessageBoxCall& call) {
        MapiRecord::Append(m_strRecord, QStringLiteral("message"), call.strText);
    };
    return m_pDb->SendMapiMail(strName, strAddress, QStringLiteral("Offer für Smith"),
                               QStringLiteral("Dear Dr. Smith,\r\n\tline two"), strAttachments);
}

// "System|text" or "Application|text"; a system box always has no owner, an
// empty caption and an OK button.
QStringList TestSendMapiMail::Messages(const MessageBoxRecorder& boxes) const {
    QStringList arrMessages;
    for (const MessageBoxCall& call : boxes.m_arrCalls) {
        if (call.kind == MessageBoxCall::System) {
            arrMessages += QStringLiteral("System|") + call.strText;
            if (call.pOwner || !call.strCaption.isEmpty() || call.nType != MB_OK)
                arrMessages += QStringLiteral("(system box with owner, caption or buttons)");
        } else {
            arrMessages +=
                (call.kind == MessageBoxCall::Application ? QStringLiteral("Application|")
                                                          : QStringLiteral("Window|")) +
                call.strText;
        }
    }
    return arrMessages;
}

void TestSendMapiMail::reportsEachFailureOnce_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("library");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("events");

    // Every row names an attachment that is missing: its warning may only
    // come after a successful logon.
    const QStringList arrLogonSendLogoff = {"load", "logon", "message", "send", "logoff"};
    QTest::newRow("no MAPI value in the profile")
        << "" << PROVIDER_RECORD << false << QStringList{kNotInstalled} << QStringList{"message"};
    QTest::newRow("MAPI=0") << "0" << PROVIDER_RECORD << false << QStringList{kNotInstalled}
                            << QStringList{"message"};
    QTest::newRow("a file that is no library")
        << "1" << m_startDir.filePath("not-a-library.so") << false
        << QStringList{"System|Can not load library MAPI32.DLL"} << QStringList{"message"};
    const QStringList arrMissingFunction = {
        "System|Failed to get one of the functions pointer in MAPI32.DLL"};
    QTest::newRow("no MAPILogon, unloaded before the message")
        << "1" << PROVIDER_NOLOGON << false << arrMissingFunction
        << QStringList{"load", "unload", "message"};
    QTest::newRow("no MAPISendMail, unloaded before the message")
        << "1" << PROVIDER_NOSEND << false << arrMissingFunction
        << QStringList{"load", "unload", "message"};
    QTest::newRow("logon fails with 3")
        << "1" << PROVIDER_LOGON3 << false << QStringList{"System|Can not Logon to MAPI, Error = 3"}
        << QStringList{"load", "logon", "message", "unload"};
    QTest::newRow("the sign-in refused: the box says what to do")
        << "1" << PROVIDER_TOKEN_REFUSED << false
        << QStringList{"System|Can not Logon to MAPI, Error = 3\nthe sign-in was refused "
                       "(invalid_grant): sign in again in Mail Settings"}
        << QStringList{"load", "logon", "message", "unload"};
    QTest::newRow("send fails with 14, the logon is closed")
        << "1" << PROVIDER_SEND14 << false
        << QStringList{Warning("missing.txt"), "System|Can not SendMail, Error = 14"}
        << arrLogonSendLogoff + QStringList{"message", "unload"};
    QTest::newRow("logoff fails with 2")
        << "1" << PROVIDER_LOGOFF2 << false
        << QStringList{Warning("missing.txt"), "System|Can not Logoff from, Error = 2"}
        << arrLogonSendLogoff + QStringList{"message", "unload"};
    QTest::newRow("accepted") << "1" << PROVIDER_RECORD << true
                              << QStringList{Warning("missing.txt")}
                              << arrLogonSendLogoff + QStringList{"unload"};
}

void TestSendMapiMail::reportsEachFailureOnce() {
    QFETCH(QString, profile);
    QFETCH(QString, library);
    QFETCH(bool, result);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, events);
    QFile::remove(CProfileSettings::FilePath());
    if (!profile.isEmpty())
        QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MAIL"), QStringLiteral("MAPI"),
                                                    profile));
    qputenv("CORVANE_MAPI_LIBRARY", QFile::encodeName(library));
    MessageBoxRecorder boxes;
    QCOMPARE(
        Send(QString(), QStringLiteral("jane@example.com"), QStringLiteral("missing.txt"), boxes),
        result);
    QCOMPARE(Messages(boxes), messages);
    QCOMPARE(Events(MapiRecord(m_strRecord)), events);
}

void TestSendMapiMail::fillsTheSimpleMapiStructures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("recipient");

    QTest::newRow("no name: the address stands for it")
        << ""
        << "jane@example.com"
        << "class=1 name=jane@example.com address=jane@example.com eid=0/(null)";
    QTest::newRow("a name") << "Jane Doe"
                            << "jane@example.com"
                            << "class=1 name=Jane Doe address=jane@example.com eid=0/(null)";
    QTest::newRow("the address unchanged, no type prefix")
        << "" << QStringLiteral("jürgen@exämple.de")
        << QStringLiteral("class=1 name=jürgen@exämple.de address=jürgen@exämple.de eid=0/(null)");
}

void TestSendMapiMail::fillsTheSimpleMapiStructures() {
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QString, recipient);
    MessageBoxRecorder boxes;
    QVERIFY(Send(name, address, QStringLiteral("a.txt;b.txt"), boxes));
    QVERIFY(boxes.m_arrCalls.isEmpty());
    const MapiRecord record(m_strRecord);
    QCOMPARE(record.Value("logon"),
             QStringLiteral("ui=0 profile=(null) password=(null) flags=0 reserved=0"));
    QCOMPARE(record.Value("send"), QStringLiteral("session=24301 ui=0 flags=0 reserved=0"));
    QCOMPARE(record.Value("subject"), QStringLiteral("Offer für Smith"));
    QCOMPARE(record.Value("body"), QStringLiteral("Dear Dr. Smith,\r\n\tline two"));
    QCOMPARE(
        record.Value("unset"),
        QStringLiteral("type=(null) date=(null) conversation=(null) flags=0 originator=(null)"));
    QCOMPARE(record.Value("recipients"), QStringLiteral("1"));
    QCOMPARE(record.Values("recipient"), QStringList{recipient});
    QCOMPARE(record.Value("files"), QStringLiteral("2 set"));
    QCOMPARE(record.Values("file"), QStringList({FileLine("a.txt"), FileLine("b.txt")}));
    QCOMPARE(record.Value("logoff"), QStringLiteral("session=24301 ui=0 flags=0 reserved=0"));
}

void TestSendMapiMail::splitsAndChecksTheAttachmentList_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("warnings");

    const QStringList arrNone;
    const QStringList arrAB = {"a.txt", "b.txt"};
    QTest::newRow("empty: no files, no array") << "" << arrNone << arrNone;
    QTest::newRow("a run of delimiters is one") << "a.txt,,b.txt" << arrAB << arrNone;
    QTest::newRow("tokens are trimmed") << "a.txt; b.txt" << arrAB << arrNone;
    QTest::newRow("tab and mixed runs") << "a.txt\t;,b.txt" << arrAB << arrNone;
    QTest::newRow("delimiters at both ends give no token")
        << ",;a.txt;" << QStringList{"a.txt"} << arrNone;
    QTest::newRow("a comma and a blank at the end: a warning with no name")
        << "a.txt, " << QStringList{"a.txt"} << QStringList{Warning("")};
    QTest::newRow("a missing file is left out")
        << "missing.txt, b.txt" << QStringList{"b.txt"} << QStringList{Warning("missing.txt")};
    QTest::newRow("all missing: no files, one warning each")
        << "missing.txt;gone.pdf" << arrNone
        << QStringList{Warning("missing.txt"), Warning("gone.pdf")};
    QTest::newRow("blanks inside a path stay")
        << "  sub dir/c d.txt\r" << QStringList{"sub dir/c d.txt"} << arrNone;
    QTest::newRow("an absolute path")
        << m_startDir.filePath("b.txt") << QStringList{m_startDir.filePath("b.txt")} << arrNone;
    QTest::newRow("a folder is no file") << "folder" << arrNone << QStringList{Warning("folder")};
    QTest::newRow("a non-ASCII name")
        << QStringLiteral("ä.txt") << QStringList{QStringLiteral("ä.txt")} << arrNone;
    QTest::newRow("order kept, a file twice is sent twice")
        << "b.txt,a.txt,b.txt" << QStringList{"b.txt", "a.txt", "b.txt"} << arrNone;
}

void TestSendMapiMail::splitsAndChecksTheAttachmentList() {
    QFETCH(QString, list);
    QFETCH(QStringList, files);
    QFETCH(QStringList, warnings);
    MessageBoxRecorder boxes;
    QVERIFY(Send(QString(), QStringLiteral("jane@example.com"), list, boxes));
    QCOMPARE(Messages(boxes), warnings);
    const MapiRecord record(m_strRecord);
    QCOMPARE(record.Value("files"),
             QString::number(files.size()) +
                 (files.isEmpty() ? QStringLiteral(" (null)") : QStringLiteral(" set")));
    QStringList arrExpected;
    for (const QString& strPath : files)
        arrExpected += FileLine(strPath);
    QCOMPARE(record.Values("file"), arrExpected);
    // The warnings come between the logon and the send.
    QStringList arrEvents = {"load", "logon"};
    for (qsizetype i = 0; i < warnings.size(); ++i)
        arrEvents += "message";
    arrEvents += QStringList{"send", "logoff", "unload"};
    QCOMPARE(Events(record), arrEvents);
}

void TestSendMapiMail::loadsTheLibraryForEveryMail() {
    MessageBoxRecorder boxes;
    QVERIFY(Send(QString(), QStringLiteral("jane@example.com"), QString(), boxes));
    QVERIFY(Send(QString(), QStringLiteral("john@example.com"), QString(), boxes));
    const QStringList arrOne = {"load", "logon", "send", "logoff", "unload"};
    QCOMPARE(Events(MapiRecord(m_strRecord)), arrOne + arrOne);
}

void TestSendMapiMail::handsTheAssembledMailToTheTransport() {
    Write(QStringLiteral("offer.txt"),
          "#SUBJECT: Offer for #NAME\r\n#ATTACHMENTS a.txt, missing.txt\r\n"
          "Dear #PREFIX #NAME,\r\nhere it is.\r\n");
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    list.InsertItem(0, QStringLiteral("1"));
    const QStringList arrCells = {
        "11/30/26", " jane@example.com\r\n", "Dr.", "Smith", "offer.txt", " ", " ", " ", " ", " "};
    for (int i = 0; i < arrCells.size(); ++i)
        list.SetItemText(0, i + 1, arrCells[i]);
    QVERIFY(QDir::setCurrent(QDir::tempPath()));

    MessageBoxRecorder boxes;
    boxes.m_onCall = [this](const MessageBoxCall& call) {
        MapiRecord::Append(m_strRecord, QStringLiteral("message"), call.strText);
    };
    QString strPreview;
    m_pDb->AssembleMail(list, 0, &strPreview, true);
    QVERIFY(strPreview.startsWith(QStringLiteral("================= jane@example.com =")));
    QCOMPARE(Messages(boxes), QStringList{Warning("missing.txt")});
    const MapiRecord record(m_strRecord);
    QCOMPARE(record.Value("subject"), QStringLiteral("Offer for Smith"));
    QCOMPARE(record.Value("body"), QStringLiteral("Dear Dr. Smith,\r\nhere it is."));
    QCOMPARE(record.Values("recipient"),
             QStringList{"class=1 name=jane@example.com address=jane@example.com eid=0/(null)"});
    QCOMPARE(record.Values("file"), QStringList{FileLine("a.txt")});
}

// A library without CorvaneSentMessageId, or one that cannot tell, sends as
// ever and gives no Message-ID; the question comes only after a mail went out.
// A library without CorvaneLastResult (another provider, an older one) tells
// only its code: a network failure is taken as temporary, so that a run
// tries it again; any other code is not.
void TestSendMapiMail::codeAloneTellsATemporaryFailure_data() {
    QTest::addColumn<QByteArray>("provider");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("temporary");
    QTest::newRow("network failure") << QByteArray(PROVIDER_SEND23) << 23 << true;
    QTest::newRow("recipient refused") << QByteArray(PROVIDER_SEND14) << 14 << false;
}

void TestSendMapiMail::codeAloneTellsATemporaryFailure() {
    QFETCH(QByteArray, provider);
    QFETCH(int, code);
    QFETCH(bool, temporary);
    qputenv("CORVANE_MAPI_LIBRARY", provider);
    CMergedMail mail;
    mail.m_strEMail = QStringLiteral("jane@example.com");
    mail.m_strSubject = QStringLiteral("Offer");
    const CSendResult result = CMapiSender().Send(mail);
    QCOMPARE(result.stage, CSendResult::Stage::Send);
    QCOMPARE(result.nCode, code);
    QCOMPARE(result.bTemporary, temporary);
    QCOMPARE(result.step, CSendResult::Step::None);
    QCOMPARE(result.strReply, QString());
}

// A library without CorvaneSendHtmlMail never gets the formatted mail as
// text: the send fails as one the library does not support.
void TestSendMapiMail::formattedMailNeedsALibraryThatSendsIt() {
    QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MAIL"), QStringLiteral("MAPI"), 1));
    CHtmlMail html;
    html.m_strHtml = QStringLiteral("<p>Dear Dr. Smith</p>");
    MessageBoxRecorder boxes;
    QVERIFY(!m_pDb->SendMapiMail(QString(), QStringLiteral("jane@example.com"),
                                 QStringLiteral("Offer"), QStringLiteral("Dear Dr. Smith"),
                                 QString(), html, nullptr));
    QCOMPARE(Messages(boxes), QStringList{"System|Can not SendMail, Error = 26"});
    QCOMPARE(Events(MapiRecord(m_strRecord)), (QStringList{"load", "logon", "logoff", "unload"}));
}

void TestSendMapiMail::asksForTheMessageIdBeforeLogoff_data() {
    QTest::addColumn<QByteArray>("provider");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("messageId");
    QTest::addColumn<QStringList>("events");
    const QStringList arrPlain = {"load", "logon", "send", "logoff", "unload"};
    const QStringList arrAsked = {"load", "logon", "send", "messageid", "logoff", "unload"};
    QTest::newRow("library without the function")
        << QByteArray(PROVIDER_RECORD) << true << QString() << arrPlain;
    QTest::newRow("library that tells it") << QByteArray(PROVIDER_MESSAGEID) << true
                                           << QStringLiteral("<fake.1@example.com>") << arrAsked;
    QTest::newRow("library that cannot tell")
        << QByteArray(PROVIDER_MESSAGEID16) << true << QString() << arrAsked;
    QTest::newRow("failed send") << QByteArray(PROVIDER_MESSAGEID_SEND14) << false << QString()
                                 << arrPlain;
}

void TestSendMapiMail::asksForTheMessageIdBeforeLogoff() {
    QFETCH(QByteArray, provider);
    QFETCH(bool, sent);
    QFETCH(QString, messageId);
    QFETCH(QStringList, events);
    qputenv("CORVANE_MAPI_LIBRARY", provider);
    MessageBoxRecorder boxes;
    QString strMessageId = QStringLiteral("<left over@example.com>");

    QCOMPARE(m_pDb->SendMapiMail(QString(), QStringLiteral("jane@example.com"),
                                 QStringLiteral("Offer"), QStringLiteral("Dear Jane"), QString(),
                                 &strMessageId),
             sent);

    QCOMPARE(strMessageId, messageId);
    QCOMPARE(Events(MapiRecord(m_strRecord)), events);
    QCOMPARE(boxes.m_arrCalls.size(), sent ? 0 : 1);
}

void TestSendMapiMail::findsTheLibraryInItsOrder_data() {
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("beside");
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("loaded");

    const QString strNowhere = m_startDir.filePath("no-such-library.so");
    QTest::newRow("the variable comes first")
        << PROVIDER_RECORD << PROVIDER_LOGON3 << PROVIDER_SEND14 << "record";
    QTest::newRow("beside the program before the installed copy's folder")
        << strNowhere << PROVIDER_LOGON3 << PROVIDER_SEND14 << "logon3";
    QTest::newRow("the installed copy's private folder")
        << strNowhere << "" << PROVIDER_SEND14 << "send14";
    QTest::newRow("no variable") << "" << PROVIDER_LOGOFF2 << ""
                                 << "logoff2";
}

void TestSendMapiMail::findsTheLibraryInItsOrder() {
    QFETCH(QString, named);
    QFETCH(QString, beside);
    QFETCH(QString, installed);
    QFETCH(QString, loaded);
    const QStringList arrPlaces = PlantedPaths();
    if (!beside.isEmpty())
        Plant(beside, arrPlaces[2]);
    if (!installed.isEmpty())
        Plant(installed, arrPlaces[3]);
    if (named.isEmpty())
        qunsetenv("CORVANE_MAPI_LIBRARY");
    else
        qputenv("CORVANE_MAPI_LIBRARY", QFile::encodeName(named));
    MessageBoxRecorder boxes;
    Send(QString(), QStringLiteral("jane@example.com"), QString(), boxes);
    QCOMPARE(MapiRecord(m_strRecord).Values("load"), QStringList{loaded});
}

void TestSendMapiMail::plantedLibraryNeverRuns_data() {
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("planted");

    QTest::newRow("no variable") << "" << kLibraryName;
    QTest::newRow("the variable naming nothing")
        << m_startDir.filePath("no-such-library.so") << kLibraryName;
    QTest::newRow("the variable holding a bare name") << kLibraryName << kLibraryName;
    QTest::newRow("the variable holding a relative path") << "./libmapi32.so" << kLibraryName;
    QTest::newRow("in a folder below the current one") << ""
                                                       << "lib/libmapi32.so";
}

// A library dropped into the template folder, the current directory while a
// mail is sent, is never loaded.
void TestSendMapiMail::plantedLibraryNeverRuns() {
    QFETCH(QString, named);
    QFETCH(QString, planted);
    Plant(PROVIDER_PLANTED, m_startDir.filePath(planted));
    Write(QStringLiteral("offer.txt"), "#SUBJECT Offer\r\nBody");
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    list.InsertItem(0, QStringLiteral("1"));
    list.SetItemText(0, 2, QStringLiteral("jane@example.com"));
    list.SetItemText(0, 5, QStringLiteral("offer.txt"));
    if (named.isEmpty())
        qunsetenv("CORVANE_MAPI_LIBRARY");
    else
        qputenv("CORVANE_MAPI_LIBRARY", QFile::encodeName(named));
    QVERIFY(QDir::setCurrent(QDir::tempPath()));

    MessageBoxRecorder boxes;
    m_pDb->AssembleMail(list, 0, nullptr, true);
    QCOMPARE(QDir::currentPath(), QDir(m_startDir.path()).canonicalPath());
    QCOMPARE(Messages(boxes), QStringList{kNotInstalled});
    QVERIFY2(!QFile::exists(m_strRecord), "the planted library ran");
}

// Run with LD_LIBRARY_PATH holding the current directory (empty, "." and
// relative entries): shows that the dynamic linker would have loaded the
// planted library by its bare name, so the test above is no empty promise.
void TestSendMapiMail::linkerPathHoldsTheCurrentDirectory() {
    const QByteArray path = qgetenv("LD_LIBRARY_PATH");
    const QByteArrayList arrEntries = path.split(':');
    if (path.isEmpty() || (!arrEntries.contains(QByteArray()) && !arrEntries.contains(".")))
        QSKIP("LD_LIBRARY_PATH does not name the current directory in this run");
    Plant(PROVIDER_PLANTED, m_startDir.filePath(kLibraryName));
    void* hLibrary = dlopen("libmapi32.so", RTLD_NOW | RTLD_LOCAL);
    QVERIFY(hLibrary);
    dlclose(hLibrary);
    QCOMPARE(MapiRecord(m_strRecord).Values("load"), QStringList{"planted"});
}

QTEST_MAIN(TestSendMapiMail)
#include "tst_sendmapimail.moc"
