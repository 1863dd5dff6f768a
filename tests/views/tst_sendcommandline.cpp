// corvane --send, the program itself run as a script or a timer runs it: no
// display, the current folder's Addresses.mdb, a real SMTP server on
// 127.0.0.1. The check alone, the dry run, the send, resume, Ctrl+C, and the
// exit status of each.

#include "CPgTestServer.h"
#include "CSmtpTestServer.h"
#include "RawSqlite.h"
#include "TestFiles.h"
#include "engine/send/CSendLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRunTimeoutMs = 120000;

struct Outcome {
    int nExit = -1;
    QString strOut;
    QString strError;
};

QString Address(int nRow) {
    return u"user%1@example.com"_s.arg(nRow, 4, 10, QLatin1Char('0'));
}

} // namespace

class TestSendCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void wrongUseExitsTwoAndSendsNothing_data();
    void wrongUseExitsTwoAndSendsNothing();
    void checkAloneSendsNothing();
    void dryRunWritesEachMailAndLogsNothing();
    void markdownMailingGoesFormatted();
    void sendThenResumeSendsEachAddressOnce();
    void findAndTemplateChooseTheMailing();
    void failedMailExitsOne();
    void interruptStopsAfterTheMailInHand();
    void secondInterruptEndsAStalledMail();
    void twoMachinesShareATeamMailing();

private:
    // nRows records user0001@... with offer.txt, imported as a user would.
    void Prepare(int nRows);
    // In strFolder, with the settings of its xdg folder; by default the test's.
    void StartProgram(QProcess& program, const QStringList& arguments,
                      const QString& strFolder = QString());
    Outcome Run(const QStringList& arguments);
    QList<CSendLogEntry> Log() const;

    QTemporaryDir m_dir;
    QString m_strSettings;
    std::unique_ptr<CSmtpTestServer> m_pServer;
};

void TestSendCommandLine::init() {
    QDir folder(m_dir.path());
    QVERIFY(folder.removeRecursively() && folder.mkpath(u"."_s));
    m_strSettings = m_dir.filePath(u"xdg/Ostwick/Corvane.conf"_s);
    QVERIFY(folder.mkpath(u"xdg/Ostwick"_s));
    m_pServer = std::make_unique<CSmtpTestServer>(m_dir.filePath(u"server"_s));
    QVERIFY2(m_pServer->Start(), qPrintable(m_pServer->ErrorText()));
    QVERIFY(WriteFile(m_strSettings, u"[MAIL]\nMAPI=1\n[MailSystem]\nTransport=smtp\nServer=%1\n"
                                     "Sender=Ostwick Sales <sales@example.com>\nRetryMinutes=0\n"_s
                                         .arg(m_pServer->Url(u"smtp"_s))
                                         .toUtf8()));
}

void TestSendCommandLine::cleanup() {
    m_pServer.reset();
}

void TestSendCommandLine::Prepare(int nRows) {
    QVERIFY(
        WriteFile(m_dir.filePath(u"offer.txt"_s), "#SUBJECT Offer for #NAME\r\nDear #NAME.\r\n"));
    QByteArray people("E-mail Address;Last Name\n");
    for (int nRow = 1; nRow <= nRows; ++nRow)
        people += u"%1;User %2\n"_s.arg(Address(nRow)).arg(nRow).toUtf8();
    QVERIFY(WriteFile(m_dir.filePath(u"people.csv"_s), people));
    const Outcome outcome = Run({u"--import"_s, u"people.csv"_s, u"--template"_s, u"offer.txt"_s});
    QVERIFY2(outcome.nExit == 0, qPrintable(outcome.strError));
}

void TestSendCommandLine::StartProgram(QProcess& program, const QStringList& arguments,
                                       const QString& strFolder) {
    const QDir folder(strFolder.isEmpty() ? m_dir.path() : strFolder);
    program.setWorkingDirectory(folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& strName : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(strName);
    environment.insert(u"XDG_CONFIG_HOME"_s, folder.filePath(u"xdg"_s));
    environment.insert(u"CORVANE_MAPI_LIBRARY"_s, QStringLiteral(MAPI32_LIBRARY));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(CORVANE_EXECUTABLE), arguments);
}

Outcome TestSendCommandLine::Run(const QStringList& arguments) {
    QProcess program;
    StartProgram(program, arguments);
    if (!program.waitForFinished(kRunTimeoutMs))
        return {};
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2,
            QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
}

QList<CSendLogEntry> TestSendCommandLine::Log() const {
    return CSendLog(m_dir.filePath(QString(CSendLog::kFileName))).Read();
}

void TestSendCommandLine::wrongUseExitsTwoAndSendsNothing_data() {
    QTest::addColumn<bool>("bAddressBook");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("strMessage");
    QTest::newRow("no address book")
        << false << QStringList{u"--send"_s, u"--yes"_s}
        << u"--send needs the address book Addresses.mdb in the current folder"_s;
    QTest::newRow("unknown option")
        << true << QStringList{u"--send"_s, u"--fast"_s} << u"Unknown option \"--fast\"."_s;
    QTest::newRow("no find text") << true << QStringList{u"--send"_s, u"--find"_s}
                                  << u"--find needs a value."_s;
    QTest::newRow("template with a folder part")
        << true << QStringList{u"--send"_s, u"--yes"_s, u"--template"_s, u"../offer.txt"_s}
        << u"The template \"../offer.txt\" must be the name of a file in this folder"_s;
    QTest::newRow("template absolute")
        << true << QStringList{u"--send"_s, u"--yes"_s, u"--template"_s, u"/etc/hostname"_s}
        << u"The template \"/etc/hostname\" must be"_s;
    QTest::newRow("template linked out of the folder")
        << true << QStringList{u"--send"_s, u"--yes"_s, u"--template"_s, u"link.txt"_s}
        << u"The template \"link.txt\" must be"_s;
    QTest::newRow("template missing")
        << true << QStringList{u"--send"_s, u"--yes"_s, u"--template"_s, u"none.txt"_s}
        << u"The template \"none.txt\" must be"_s;
}

void TestSendCommandLine::wrongUseExitsTwoAndSendsNothing() {
    QFETCH(bool, bAddressBook);
    QFETCH(QStringList, arguments);
    QFETCH(QString, strMessage);
    if (bAddressBook)
        Prepare(2);
    QTemporaryDir outside;
    const QString strSecret = outside.filePath(u"secret.txt"_s);
    QVERIFY(WriteFile(strSecret, "#SUBJECT Secret\r\nThe password.\r\n"));
    QVERIFY(QFile::link(strSecret, m_dir.filePath(u"link.txt"_s)));
    const Outcome outcome = Run(arguments);
    QCOMPARE(outcome.nExit, 2);
    QVERIFY2(outcome.strError.startsWith(strMessage), qPrintable(outcome.strError));
    QCOMPARE(m_pServer->MessageCount(), 0);
    QVERIFY(!QFile::exists(m_dir.filePath(QString(CSendLog::kFileName))));
    QCOMPARE(QFile::exists(m_dir.filePath(u"Addresses.mdb"_s)), bAddressBook);
}

// Without --yes the check is printed, a problem with its row, and nothing
// goes; the exit status says whether every mail would.
void TestSendCommandLine::checkAloneSendsNothing() {
    Prepare(3);
    Outcome outcome = Run({u"--send"_s});
    QCOMPARE(outcome.nExit, 0);
    QVERIFY2(outcome.strOut.startsWith(u"3 records, 3 mails through %1 as Ostwick Sales "
                                       "<sales@example.com>.\n"_s.arg(m_pServer->Url(u"smtp"_s))),
             qPrintable(outcome.strOut));
    QVERIFY(outcome.strOut.contains(u"Nothing was sent: with --yes these 3 mails go."_s));

    QCOMPARE(RawSqlite(m_dir.filePath(u"Addresses.mdb"_s))
                 .Exec(u"UPDATE ADDRESSES SET Template = 'gone.txt' WHERE Name = 'User 2'"_s),
             0);
    outcome = Run({u"--send"_s});
    QCOMPARE(outcome.nExit, 1);
    QVERIFY2(outcome.strOut.contains(u"3 records, 2 mails through"_s), qPrintable(outcome.strOut));
    QVERIFY2(outcome.strOut.contains(u"Left out for a problem:\nThe template cannot be opened (1 "
                                     "rows):\n    row 2: user0002@example.com (gone.txt)"_s),
             qPrintable(outcome.strOut));
    QCOMPARE(m_pServer->MessageCount(), 0);
    QVERIFY(!QFile::exists(m_dir.filePath(QString(CSendLog::kFileName))));
}

// A dry run writes the mails that would go as files and sends nothing; it
// logs nothing either, so a real run afterwards still sends every mail.
void TestSendCommandLine::dryRunWritesEachMailAndLogsNothing() {
    Prepare(3);
    const Outcome outcome = Run({u"--send"_s, u"--dry-run"_s, u"out"_s});
    QCOMPARE(outcome.nExit, 0);
    const QDir out(m_dir.filePath(u"out"_s));
    const QStringList arrFiles = out.entryList({u"*.eml"_s}, QDir::Files, QDir::Name);
    QCOMPARE(arrFiles.size(), 3);
    QFile first(out.filePath(arrFiles[0]));
    QVERIFY(first.open(QIODevice::ReadOnly));
    const QByteArray mail = first.readAll();
    QVERIFY(mail.contains("Subject: Offer for User 1"));
    QVERIFY(mail.contains("From: Ostwick Sales <sales@example.com>"));
    QCOMPARE(m_pServer->MessageCount(), 0);
    QVERIFY(!QFile::exists(m_dir.filePath(QString(CSendLog::kFileName))));

    QCOMPARE(Run({u"--send"_s, u"--yes"_s}).nExit, 0);
    QCOMPARE(m_pServer->MessageCount(), 3);
}

// A mailing from a Markdown template goes formatted, its image with it, as
// a single mail from the window does: the run's sender renders it.
void TestSendCommandLine::markdownMailingGoesFormatted() {
    Prepare(1);
    QVERIFY(WriteFile(m_dir.filePath(u"offer.md"_s),
                      "#SUBJECT Offer for #NAME\n**Dear #NAME**\n\n![Logo](logo.png)\n"));
    QVERIFY(WriteFile(m_dir.filePath(u"logo.png"_s), "\x89PNG\r\n\x1a\n"));
    const Outcome outcome =
        Run({u"--send"_s, u"--template"_s, u"offer.md"_s, u"--dry-run"_s, u"out"_s});
    QVERIFY2(outcome.nExit == 0, qPrintable(outcome.strError));
    const QDir out(m_dir.filePath(u"out"_s));
    const QStringList arrFiles = out.entryList({u"*.eml"_s}, QDir::Files);
    QCOMPARE(arrFiles.size(), 1);
    const QByteArray mail = ReadAll(out.filePath(arrFiles[0]));
    QVERIFY(mail.contains("multipart/alternative"));
    QVERIFY(mail.contains("text/html"));
    QVERIFY(mail.contains("<strong>Dear User 1</strong>"));
    QVERIFY(mail.contains("Content-Type: image/png"));
}

// --yes sends and logs every mail; the same command again finds them in the
// log and sends none, and says so.
void TestSendCommandLine::sendThenResumeSendsEachAddressOnce() {
    Prepare(3);
    Outcome outcome = Run({u"--send"_s, u"--yes"_s});
    QVERIFY2(outcome.nExit == 0, qPrintable(outcome.strOut + outcome.strError));
    QVERIFY2(outcome.strOut.contains(u"Sent: 3, failed: 0, skipped: 0. Every attempt is in the "
                                     "send log"_s),
             qPrintable(outcome.strOut));
    QCOMPARE(m_pServer->Recipients(), (QStringList{Address(1), Address(2), Address(3)}));
    QCOMPARE(Log().size(), 3);

    outcome = Run({u"--send"_s, u"--yes"_s});
    QCOMPARE(outcome.nExit, 0);
    QVERIFY2(outcome.strOut.contains(u"Left out as sent before, as the send log shows: 3 rows."_s),
             qPrintable(outcome.strOut));
    QVERIFY(outcome.strOut.contains(u"Already sent before, as the send log shows: 3."_s));
    QCOMPARE(m_pServer->MessageCount(), 3);
    QCOMPARE(Log().size(), 3);
}

// --find sends to what Find lists; --template makes every mail with that
// template, and the log names it.
void TestSendCommandLine::findAndTemplateChooseTheMailing() {
    Prepare(12);
    QVERIFY(WriteFile(m_dir.filePath(u"news.txt"_s), "#SUBJECT News for #NAME\r\nNews.\r\n"));
    const Outcome outcome =
        Run({u"--send"_s, u"--find"_s, u"User 1?"_s, u"--template"_s, u"news.txt"_s, u"--yes"_s});
    QCOMPARE(outcome.nExit, 0);
    QCOMPARE(m_pServer->Recipients(), (QStringList{Address(10), Address(11), Address(12)}));
    QVERIFY(m_pServer->MessageBytes(1).contains("Subject: News for User 10"));
    for (const CSendLogEntry& entry : Log())
        QCOMPARE(entry.strTemplate, u"news.txt"_s);
}

// A recipient the server refuses: the others go, the row is named on the
// error output, and the exit status is 1.
void TestSendCommandLine::failedMailExitsOne() {
    m_pServer = std::make_unique<CSmtpTestServer>(m_dir.filePath(u"refusing"_s));
    QVERIFY(m_pServer->Start({u"--refuse-recipient"_s, Address(2)}));
    QSettings(m_strSettings, QSettings::IniFormat)
        .setValue(u"MailSystem/Server"_s, m_pServer->Url(u"smtp"_s));
    Prepare(3);
    const Outcome outcome = Run({u"--send"_s, u"--yes"_s});
    QCOMPARE(outcome.nExit, 1);
    QVERIFY2(outcome.strError.contains(
                 u"Row 2, %1:\n    Can not SendMail, Error = 14"_s.arg(Address(2))),
             qPrintable(outcome.strError));
    QCOMPARE(m_pServer->Recipients(), (QStringList{Address(1), Address(3)}));
}

// Ctrl+C while mails go out: the program ends after the mail in hand with
// status 1, the log holding exactly the mails the server got, in whole
// lines; the same command again sends the rest, each address once.
void TestSendCommandLine::interruptStopsAfterTheMailInHand() {
    QSettings(m_strSettings, QSettings::IniFormat).setValue(u"MailSystem/MaxPerMinute"_s, 600);
    Prepare(40);
    QProcess program;
    StartProgram(program, {u"--send"_s, u"--yes"_s});
    QTRY_VERIFY_WITH_TIMEOUT(m_pServer->MessageCount() >= 5, 60000);
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QStringList arrFirst = m_pServer->Recipients();
    QVERIFY2(arrFirst.size() < 40, qPrintable(QString::number(arrFirst.size())));
    QFile log(m_dir.filePath(QString(CSendLog::kFileName)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().endsWith("\r\n"));
    QStringList arrLogged;
    for (const CSendLogEntry& entry : Log())
        arrLogged << entry.strEMail;
    QCOMPARE(arrLogged, arrFirst);

    QCOMPARE(Run({u"--send"_s, u"--yes"_s}).nExit, 0);
    const QStringList arrAll = m_pServer->Recipients();
    QCOMPARE(arrAll.size(), 40);
    QCOMPARE(QSet<QString>(arrAll.begin(), arrAll.end()).size(), 40);
}

// A server keeps silent after the first mail's data: the first Ctrl+C waits
// for that mail, a second one ends it at once, and the log holds it as not
// sent.
void TestSendCommandLine::secondInterruptEndsAStalledMail() {
    m_pServer = std::make_unique<CSmtpTestServer>(m_dir.filePath(u"stalling"_s));
    QVERIFY(m_pServer->Start({u"--stall"_s, u"DOT"_s}, u"scripted_smtp_server.py"_s));
    QSettings(m_strSettings, QSettings::IniFormat)
        .setValue(u"MailSystem/Server"_s, m_pServer->Url(u"smtp"_s));
    Prepare(3);
    QProcess program;
    StartProgram(program, {u"--send"_s, u"--yes"_s});
    QTRY_VERIFY_WITH_TIMEOUT(m_pServer->Commands().contains(u"DOT"_s), 30000);
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(!program.waitForFinished(1000));
    QElapsedTimer stopped;
    stopped.start();
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(program.waitForFinished(30000));
    QVERIFY2(stopped.elapsed() < 5000, qPrintable(QString::number(stopped.elapsed())));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QList<CSendLogEntry> entries = Log();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].result, CSendLogEntry::Result::Failed);
    QVERIFY2(entries[0].strMessage.contains(u"not sent"_s), qPrintable(entries[0].strMessage));
}

QTEST_GUILESS_MAIN(TestSendCommandLine)
// Two machines send one mailing of a team's address book at once, each from
// a folder of its own: every mail goes once, and the team's log in the
// database holds each one as sent.
void TestSendCommandLine::twoMachinesShareATeamMailing() {
    constexpr int kRows = 40;
    CPgTestServer database;
    QVERIFY2(database.IsReady(), qPrintable(database.Error()));
    QFile settings(m_strSettings);
    QVERIFY(settings.open(QIODevice::Append));
    settings.write(u"[Database]\nUrl=%1\n"_s.arg(database.Url()).toUtf8());
    settings.close();
    Prepare(kRows);
    const QDir other(m_dir.filePath(u"other"_s));
    QVERIFY(QDir().mkpath(other.filePath(u"xdg/Ostwick"_s)));
    QVERIFY(QFile::copy(m_strSettings, other.filePath(u"xdg/Ostwick/Corvane.conf"_s)));
    QVERIFY(QFile::copy(m_dir.filePath(u"offer.txt"_s), other.filePath(u"offer.txt"_s)));

    QProcess first;
    QProcess second;
    StartProgram(first, {u"--send"_s, u"--yes"_s});
    StartProgram(second, {u"--send"_s, u"--yes"_s}, other.path());
    for (QProcess* pProgram : {&first, &second}) {
        QVERIFY(pProgram->waitForFinished(kRunTimeoutMs));
        QVERIFY2(pProgram->exitStatus() == QProcess::NormalExit && pProgram->exitCode() == 0,
                 pProgram->readAllStandardError().constData());
    }
    QStringList arrRecipients = m_pServer->Recipients();
    arrRecipients.sort();
    QStringList arrAll;
    for (int nRow = 1; nRow <= kRows; ++nRow)
        arrAll << Address(nRow);
    QCOMPARE(arrRecipients, arrAll);
    QCOMPARE(database.Value(u"SELECT count(DISTINCT \"EMail\") FROM \"SENDLOG\" WHERE "
                            "\"Result\" = 'sent'"_s),
             QString::number(kRows));
    QCOMPARE(database.Value(u"SELECT count(*) FROM \"SENDLOG\""_s), QString::number(kRows));
}

#include "tst_sendcommandline.moc"
