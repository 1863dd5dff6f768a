// The pieces of a Send Mail run that need no windows.

#include "engine/merge/CMailTemplate.h"
#include "engine/send/CMailSender.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CRetrySchedule.h"
#include "engine/send/CRowCheck.h"
#include "engine/send/CRunLog.h"
#include "engine/send/CSendCheck.h"
#include "engine/send/CSendClock.h"
#include "engine/send/CSendLog.h"
#include "engine/send/CSendResult.h"
#include "engine/send/CSendWorker.h"
#include "engine/send/CSentLookup.h"
#include "engine/send/CSteadyClock.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <atomic>

using namespace Qt::StringLiterals;

namespace {

CSendLogEntry Entry(const QString& strEMail, const QString& strSubject,
                    CSendLogEntry::Result result = CSendLogEntry::Result::Sent) {
    CSendLogEntry entry;
    entry.time = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9), QTimeZone(3600));
    entry.strEMail = strEMail;
    entry.strName = u"Name"_s;
    entry.strTemplate = u"offer.txt"_s;
    entry.strSubject = strSubject;
    entry.result = result;
    return entry;
}

// A clock that moves on at once, by as much as each wait asks.
class CFakeClock : public CSendClock {
public:
    qint64 NowMs() const override { return m_nNow; }
    void WaitFor(std::unique_lock<std::mutex>&, std::condition_variable&, qint64 nMs) override {
        m_nNow += nMs;
    }

private:
    qint64 m_nNow = 0;
};

// Answers the mails to each address from that address's script, in turn, and
// with "sent" once the script is used up; notes each mail as "address@time".
class CScriptedSender : public CMailSender {
public:
    CScriptedSender(const CSendClock& clock, QMap<QString, QList<CSendResult>> scripts)
        : m_clock(clock), m_scripts(std::move(scripts)) {}

    CSendResult Send(const CMergedMail& mail) override {
        m_arrSends << u"%1@%2"_s.arg(mail.m_strEMail).arg(m_clock.NowMs());
        ++m_nSends;
        QList<CSendResult>& script = m_scripts[mail.m_strEMail];
        return script.isEmpty() ? CSendResult() : script.takeFirst();
    }
    void Abort() override { ++m_nAborts; }

    QStringList m_arrSends;
    std::atomic<int> m_nSends = 0;
    int m_nAborts = 0;

private:
    const CSendClock& m_clock;
    QMap<QString, QList<CSendResult>> m_scripts;
};

// A send log in memory: "address result error message's last line" per
// attempt. The append numbered nFailAt (1, 2, ...) fails; the addresses in
// taken are claimed by another run.
class CMemoryRunLog : public CRunLog {
public:
    bool Append(const CSendLogEntry& entry) override {
        if (++m_nAppends == m_nFailAt)
            return false;
        m_arrLines << u"%1 %2 %3 %4"_s.arg(entry.strEMail, CSendLog::ResultText(entry.result))
                          .arg(entry.nError)
                          .arg(entry.strMessage.split(u'\n').last())
                          .trimmed();
        return true;
    }
    QString ErrorText() const override { return u"disk full"_s; }
    CSentLookup Sent() const override { return CSentLookup({}); }
    ClaimResult Claim(const CSendLogEntry& entry) override {
        return m_taken.contains(entry.strEMail) ? ClaimResult::Taken : ClaimResult::Granted;
    }
    QString Where() const override { return u"memory"_s; }

    QStringList m_arrLines;
    int m_nFailAt = 0;
    QSet<QString> m_taken;

private:
    int m_nAppends = 0;
};

CSendResult Result(CSendResult::Stage stage, int nCode, CSendResult::Step step = {},
                   bool bTemporary = false, const QString& strReply = QString()) {
    CSendResult result = CSendResult::Failed(stage, nCode);
    result.step = step;
    result.bTemporary = bTemporary;
    result.strReply = strReply;
    return result;
}

CSendResult Missing(CSendResult result, const QStringList& arrMissing) {
    result.arrMissingAttachments = arrMissing;
    return result;
}

CSendResult Template(const QString& strTemplate) {
    CSendResult result = CSendResult::Failed(CSendResult::Stage::TemplateMissing);
    result.strTemplate = strTemplate;
    return result;
}

// "sent", or "<t|p><code>@<step>": a temporary or permanent failure of the
// send at that step, whose reply names the token; "logon<code>": the logon
// failed for good.
CSendResult ScriptedResult(const QString& strToken) {
    using Step = CSendResult::Step;
    static const QMap<QString, Step> steps = {{u"connect"_s, Step::Connect},
                                              {u"login"_s, Step::Login},
                                              {u"mail"_s, Step::Mail},
                                              {u"rcpt"_s, Step::Rcpt},
                                              {u"end"_s, Step::EndOfData}};
    if (strToken == u"sent")
        return CSendResult();
    if (strToken.startsWith(u"logon"))
        return CSendResult::Failed(CSendResult::Stage::Logon, strToken.mid(5).toInt());
    return Result(CSendResult::Stage::Send, strToken.mid(1).section(u'@', 0, 0).toInt(),
                  steps.value(strToken.section(u'@', 1)), strToken.startsWith(u't'),
                  strToken + u" reply"_s);
}

// Rows of a plan from their addresses: "=a" was sent before, "!a" has a
// problem ("why"), "~a" is taken by another run.
QList<CPlannedRow> PlanOf(const QStringList& arrRows) {
    QList<CPlannedRow> plan;
    for (const QString& strRow : arrRows) {
        CPlannedRow row;
        row.mail.nItem = int(plan.size());
        row.mail.bTemplateOpened = true;
        row.mail.strTemplate = u"offer.txt"_s;
        const bool bMarked =
            strRow.startsWith(u'=') || strRow.startsWith(u'!') || strRow.startsWith(u'~');
        row.mail.mail.m_strEMail = bMarked ? strRow.mid(1) : strRow;
        if (strRow.startsWith(u'='))
            row.skip = CPlannedRow::Skip::AlreadySent;
        if (strRow.startsWith(u'!')) {
            row.skip = CPlannedRow::Skip::Problem;
            row.strSkipReason = u"why"_s;
        }
        plan << row;
    }
    return plan;
}

CMailRow Row(const QString& strEMail, const QString& strTemplate, const QString& strName = u"Jo"_s,
             const QString& strMy1 = u"x"_s) {
    CMailRow row;
    row.m_strDate = u"12/01/26"_s;
    row.m_strEMail = strEMail;
    row.m_strPrefix = u"Dr."_s;
    row.m_strName = strName;
    row.m_strTemplate = strTemplate;
    row.m_arrMy = {strMy1, u" "_s, u" "_s, u" "_s, u" "_s};
    return row;
}

} // namespace

class TestSendEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void logKeepsEveryFieldAsWritten_data();
    void logKeepsEveryFieldAsWritten();
    void logWritesHeaderOnceAndOnlyAppends();
    void logSurvivesDamage_data();
    void logSurvivesDamage();
    void logThatCannotBeWrittenSaysWhy();
    void sentLookupMatchesAddressTemplateAndSubject();
    void logKeepsSpreadsheetFormulasOut_data();
    void logKeepsSpreadsheetFormulasOut();
    void rateLimiterSpacesStarts_data();
    void rateLimiterSpacesStarts();
    void resultTellsRowFromEveryRowFailures_data();
    void resultTellsRowFromEveryRowFailures();
    void rowCheckFindsMissingAttachments_data();
    void rowCheckFindsMissingAttachments();
    void rowCheckFindsImagesThatCannotGo_data();
    void rowCheckFindsImagesThatCannotGo();
    void rowCheckJudgesAddressAsTheLibrary_data();
    void rowCheckJudgesAddressAsTheLibrary();
    void rowCheckFindsTemplatesOutsideTheFolder_data();
    void rowCheckFindsTemplatesOutsideTheFolder();
    void retryScheduleKeepsToTheLimit_data();
    void retryScheduleKeepsToTheLimit();
    void runTriesAgainPausesAndGoesOn_data();
    void runTriesAgainPausesAndGoesOn();
    void stopEndsAWaitAtOnce();
    void checkMakesEveryMailWithTheMailingsTemplate();
    void checkListsEmptyPlaceholders_data();
    void checkListsEmptyPlaceholders();
    void checkStartsWithAFolderTemplateWhereRowsLackOne_data();
    void checkStartsWithAFolderTemplateWhereRowsLackOne();

private:
    QTemporaryDir m_dir;
    int m_nFiles = 0;
};

void TestSendEngine::logKeepsEveryFieldAsWritten_data() {
    QTest::addColumn<QString>("strName");
    QTest::addColumn<QString>("strSubject");
    QTest::addColumn<QString>("strMessage");
    QTest::newRow("plain") << u"Jane"_s << u"Offer"_s << QString();
    QTest::newRow("comma and quote") << u"Smith, \"Jay\""_s << u"a, b"_s << u"say \"hi\""_s;
    QTest::newRow("line breaks") << u"A"_s << u"S"_s
                                 << u"Can not find a file: \"x\".\nIt will not be attached"_s;
    QTest::newRow("carriage return") << u"A\r\nB"_s << u"S"_s << QString();
    QTest::newRow("blanks at the ends") << u" Jane "_s << u" S"_s << QString();
    QTest::newRow("not ASCII") << u"Jürgen Müller"_s << u"Angebot – für Sie"_s << u"ü"_s;
}

void TestSendEngine::logKeepsEveryFieldAsWritten() {
    QFETCH(QString, strName);
    QFETCH(QString, strSubject);
    QFETCH(QString, strMessage);
    const QString strPath = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".csv");
    CSendLog log(strPath);
    CSendLogEntry entry = Entry(u"jane@example.com"_s, strSubject, CSendLogEntry::Result::Failed);
    entry.strName = strName;
    entry.nError = 14;
    entry.strMessage = strMessage;
    entry.strMessageId = u"<1@example.com>"_s;
    QVERIFY(log.Append(entry));
    QVERIFY(log.Append(Entry(u"bob@example.org"_s, u"Next"_s)));

    const QList<CSendLogEntry> entries = log.Read();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].strName, strName);
    QCOMPARE(entries[0].strSubject, strSubject);
    QCOMPARE(entries[0].strMessage, strMessage);
    QCOMPARE(entries[0].result, CSendLogEntry::Result::Failed);
    QCOMPARE(entries[0].nError, 14);
    QCOMPARE(entries[0].strMessageId, u"<1@example.com>"_s);
    QCOMPARE(entries[0].time, entry.time);
    QCOMPARE(entries[1].strEMail, u"bob@example.org"_s);
    QVERIFY(ReadAll(strPath).contains(",failed,14,"));
    QVERIFY(ReadAll(strPath).contains("2026-12-07T14:05:09+01:00,jane@example.com,"));
}

void TestSendEngine::logWritesHeaderOnceAndOnlyAppends() {
    const QString strPath = m_dir.filePath(u"append.csv"_s);
    QVERIFY(CSendLog(strPath).Append(Entry(u"a@example.com"_s, u"S"_s)));
    const QByteArray first = ReadAll(strPath);
    QVERIFY(first.startsWith(
        "Time,EMail,Name,Template,Subject,Result,Error,Message,Message-ID\r\n2026-12-07T14:05:09"));
    QVERIFY(CSendLog(strPath).Append(Entry(u"b@example.com"_s, u"S"_s)));
    const QByteArray second = ReadAll(strPath);
    QVERIFY(second.startsWith(first));
    QCOMPARE(second.count("Time,EMail"), 1);
    QVERIFY(second.endsWith("\r\n"));
    QCOMPARE(CSendLog::ParseCsv(second).size(), 3);
}

// A log damaged at its end (a killed program, a full disk, a lost block)
// keeps every whole entry around the damaged one: the next append ends the
// cut record first, and reading takes up again at the next line that starts
// an entry. A resume then mails only those without a "sent" entry: here b,
// whose entry was lost, and e, who was never tried.
void TestSendEngine::logSurvivesDamage_data() {
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<bool>(
        "bAppendRepairs"); // else a bare line end follows, as older programs wrote
    const QByteArray entry = "2026-12-07T14:05:10+01:00,b@example.com,";
    QTest::newRow("line cut short") << QByteArray("2026-12-07T14:05:10+01:00,b@exa") << true;
    QTest::newRow("cut inside a quoted field") << entry + "\"Doe, J" << true;
    QTest::newRow("cut after a line break inside quotes")
        << entry + "B,offer.txt,S,failed,14,\"550 first line\r\n550 sec" << true;
    QTest::newRow("cut inside a doubled quote") << entry + "\"Jay \"\"J" << true;
    QTest::newRow("zero bytes of a lost block") << QByteArray(512, '\0') << true;
    QTest::newRow("open quote ended by a bare line end") << entry + "\"Doe, J\r\n" << false;
}

void TestSendEngine::logSurvivesDamage() {
    QFETCH(QByteArray, damage);
    QFETCH(bool, bAppendRepairs);
    const QString strPath = m_dir.filePath(u"damaged-%1.csv"_s.arg(m_nFiles++));
    CSendLog log(strPath);
    QVERIFY(log.Append(Entry(u"a@example.com"_s, u"S"_s)));
    {
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write(damage), damage.size());
        if (!bAppendRepairs)
            QVERIFY(file.write(
                        "2026-12-07T14:05:11+01:00,c@example.com,Name,offer.txt,S,sent,0,,\r\n") >
                    0);
    }
    if (bAppendRepairs)
        QVERIFY(log.Append(Entry(u"c@example.com"_s, u"S"_s)));
    QVERIFY(log.Append(Entry(u"d@example.com"_s, u"S"_s, CSendLogEntry::Result::Failed)));

    QStringList logged;
    for (const CSendLogEntry& entry : log.Read())
        logged << entry.strEMail;
    QCOMPARE(logged, (QStringList{u"a@example.com"_s, u"c@example.com"_s, u"d@example.com"_s}));
    const CSentLookup sent(log.Read());
    QStringList toSend;
    for (const char* pszRow : {"a", "b", "c", "d", "e"})
        if (const QString strEMail = QLatin1String(pszRow) + u"@example.com"_s;
            !sent.IsSent(strEMail, u"offer.txt"_s, u"S"_s))
            toSend << strEMail;
    QCOMPARE(toSend, (QStringList{u"b@example.com"_s, u"d@example.com"_s, u"e@example.com"_s}));
}

void TestSendEngine::logThatCannotBeWrittenSaysWhy() {
    CSendLog log(m_dir.filePath(u"no/such/folder/log.csv"_s));
    QVERIFY(!log.Append(Entry(u"a@example.com"_s, u"S"_s)));
    QVERIFY(!log.ErrorText().isEmpty());
    QVERIFY(log.Read().isEmpty());
}

void TestSendEngine::sentLookupMatchesAddressTemplateAndSubject() {
    const CSentLookup sent(
        {Entry(u"Jane@Example.com"_s, u"Offer"_s),
         Entry(u"bob@example.org"_s, u"Offer"_s, CSendLogEntry::Result::Failed),
         Entry(u"eve@example.org"_s, u"Offer"_s, CSendLogEntry::Result::Skipped)});
    QVERIFY(sent.IsSent(u"jane@example.com"_s, u"offer.txt"_s, u"Offer"_s));
    QVERIFY(!sent.IsSent(u"jane@example.com"_s, u"offer.txt"_s, u"Offer 2"_s));
    QVERIFY(!sent.IsSent(u"jane@example.com"_s, u"news.txt"_s, u"Offer"_s));
    QVERIFY(!sent.IsSent(u"bob@example.org"_s, u"offer.txt"_s, u"Offer"_s));
    QVERIFY(!sent.IsSent(u"eve@example.org"_s, u"offer.txt"_s, u"Offer"_s));
}

// Every text field holds the value. The line written has it marked where a
// spreadsheet would take it for a formula, or where it starts with the mark
// itself; reading gives back every field, so resume finds the mail sent, and
// a text that really starts with the mark stays a text of its own.
void TestSendEngine::logKeepsSpreadsheetFormulasOut_data() {
    QTest::addColumn<QString>("strValue");
    QTest::addColumn<bool>("bMarked");
    QTest::newRow("equals") << u"=HYPERLINK(\"http://x\")"_s << true;
    QTest::newRow("plus") << u"+SUM(1)"_s << true;
    QTest::newRow("minus") << u"-50% today"_s << true;
    QTest::newRow("a phone number with blanks") << u"+49 30 1234"_s << true;
    QTest::newRow("plain numbers stay") << u"-12.5"_s << false;
    QTest::newRow("at") << u"@SUM(A1:A9)"_s << true;
    QTest::newRow("tab") << u"\tTab"_s << true;
    QTest::newRow("carriage return") << u"\rReturn"_s << true;
    QTest::newRow("apostrophe") << u"'Tis the season"_s << true;
    QTest::newRow("apostrophe and equals") << u"'=1"_s << true;
    QTest::newRow("apostrophe alone") << u"'"_s << true;
    QTest::newRow("formula characters inside") << u"plain - with = inside"_s << false;
    QTest::newRow("blank first") << u" =1"_s << false;
}

void TestSendEngine::logKeepsSpreadsheetFormulasOut() {
    QFETCH(QString, strValue);
    QFETCH(bool, bMarked);
    const QString strPath = m_dir.filePath(u"formula-%1.csv"_s.arg(m_nFiles++));
    CSendLogEntry entry = Entry(strValue, strValue);
    entry.strName = entry.strTemplate = entry.strMessage = strValue;
    QVERIFY(CSendLog(strPath).Append(entry));

    const QStringList fields = CSendLog::ParseCsv(ReadAll(strPath)).value(1);
    QCOMPARE(fields.size(), 9);
    const QString strWritten = bMarked ? u'\'' + strValue : strValue;
    for (const int nColumn : {1, 2, 3, 4, 7})
        QCOMPARE(fields[nColumn], strWritten);
    for (const QString& strField : fields)
        QVERIFY2(strField.isEmpty() || !u"=+-@\t\r"_s.contains(strField.front()) ||
                     strField == strValue,
                 qPrintable(strField));
    const QList<CSendLogEntry> entries = CSendLog(strPath).Read();
    QCOMPARE(entries.size(), 1);
    QCOMPARE((QStringList{entries[0].strEMail, entries[0].strName, entries[0].strTemplate,
                          entries[0].strSubject, entries[0].strMessage}),
             QStringList(5, strValue));
    const CSentLookup sent(entries);
    QVERIFY(sent.IsSent(strValue, strValue, strValue));
    QCOMPARE(sent.IsSent(strValue, strValue, strWritten), !bMarked);
}

void TestSendEngine::rateLimiterSpacesStarts_data() {
    QTest::addColumn<int>("nMaxPerMinute");
    QTest::addColumn<qint64>("nLastStart");
    QTest::addColumn<qint64>("nNow");
    QTest::addColumn<qint64>("nWait");
    QTest::newRow("no limit") << 0 << qint64(1000) << qint64(1000) << qint64(0);
    QTest::newRow("negative is no limit") << -5 << qint64(1000) << qint64(1000) << qint64(0);
    QTest::newRow("120 a minute, at once") << 120 << qint64(1000) << qint64(1000) << qint64(500);
    QTest::newRow("120 a minute, later") << 120 << qint64(1000) << qint64(1400) << qint64(100);
    QTest::newRow("120 a minute, due") << 120 << qint64(1000) << qint64(1600) << qint64(0);
    QTest::newRow("7 a minute rounds up") << 7 << qint64(0) << qint64(0) << qint64(8572);
    QTest::newRow("1 a minute") << 1 << qint64(0) << qint64(59999) << qint64(1);
}

void TestSendEngine::rateLimiterSpacesStarts() {
    QFETCH(int, nMaxPerMinute);
    QFETCH(qint64, nLastStart);
    QFETCH(qint64, nNow);
    QFETCH(qint64, nWait);
    CRateLimiter limiter(nMaxPerMinute);
    QCOMPARE(limiter.WaitBefore(nLastStart), qint64(0));
    limiter.Started(nLastStart);
    QCOMPARE(limiter.WaitBefore(nNow), nWait);
}

// How a run takes each result: sent or not, a failure that every row
// would meet (the run pauses, or waits and tries the same row again) or one
// of this row alone (the run goes on; a recipient put off is tried again
// later by itself), and the text the report, the pause and the log show.
void TestSendEngine::resultTellsRowFromEveryRowFailures_data() {
    QTest::addColumn<CSendResult>("result");
    QTest::addColumn<bool>("bSent");
    QTest::addColumn<bool>("bForAll");
    QTest::addColumn<bool>("bPutOff");
    QTest::addColumn<QString>("strText");
    using Stage = CSendResult::Stage;
    using Step = CSendResult::Step;
    const QString strWarning =
        u"Can not find a file: \"a.pdf\".\nIt will not be attached to that Mail."_s;
    QTest::newRow("sent") << CSendResult() << true << false << false << QString();
    QTest::newRow("attachment left out")
        << Missing(CSendResult(), {u"a.pdf"_s}) << true << false << false << strWarning;
    QTest::newRow("logoff failed") << Result(Stage::Logoff, 2) << true << false << false
                                   << u"Can not Logoff from, Error = 2"_s;
    QTest::newRow("template") << Template(u"x.txt"_s) << false << false << false
                              << u"Can not open a template file \"x.txt\""_s;
    QTest::newRow("no mail system") << Result(Stage::NotInstalled, 0) << false << true << false
                                    << u"MAPI is not installed on this computer."_s;
    QTest::newRow("no library") << Result(Stage::NotLoaded, 0) << false << true << false
                                << u"Can not load library MAPI32.DLL"_s;
    QTest::newRow("logon") << Result(Stage::Logon, 3) << false << true << false
                           << u"Can not Logon to MAPI, Error = 3"_s;
    // A library that gives only its code.
    QTest::newRow("recipient refused, code only")
        << Result(Stage::Send, 14) << false << false << false << u"Can not SendMail, Error = 14"_s;
    QTest::newRow("address refused, code only")
        << Result(Stage::Send, 25) << false << false << false << u"Can not SendMail, Error = 25"_s;
    QTest::newRow("server gone, code only") << Result(Stage::Send, 23, Step::None, true) << false
                                            << true << false << u"Can not SendMail, Error = 23"_s;
    QTest::newRow("login refused at send, code only")
        << Result(Stage::Send, 3) << false << true << false << u"Can not SendMail, Error = 3"_s;
    QTest::newRow("sender refused, code only")
        << Result(Stage::Send, 6) << false << true << false << u"Can not SendMail, Error = 6"_s;
    QTest::newRow("warning, then server gone")
        << Missing(Result(Stage::Send, 23), {u"a.pdf"_s}) << false << true << false
        << strWarning + u"\nCan not SendMail, Error = 23"_s;
    // A library that tells the step and the server's reply.
    QTest::newRow("recipient put off")
        << Result(Stage::Send, 23, Step::Rcpt, true, u"451 4.7.1 Greylisted"_s) << false << false
        << true << u"Can not SendMail, Error = 23\n451 4.7.1 Greylisted"_s;
    QTest::newRow("recipient unknown")
        << Result(Stage::Send, 14, Step::Rcpt, false, u"550 5.1.1 No such user"_s) << false << false
        << false << u"Can not SendMail, Error = 14\n550 5.1.1 No such user"_s;
    QTest::newRow("server busy after the data")
        << Result(Stage::Send, 23, Step::EndOfData, true, u"421 4.7.0 Later"_s) << false << true
        << false << u"Can not SendMail, Error = 23\n421 4.7.0 Later"_s;
    QTest::newRow("message refused after the data")
        << Result(Stage::Send, 2, Step::EndOfData, false, u"554 5.7.1 Spam"_s) << false << false
        << false << u"Can not SendMail, Error = 2\n554 5.7.1 Spam"_s;
    QTest::newRow("sender refused")
        << Result(Stage::Send, 6, Step::Mail, false, u"553 5.7.1 Not yours"_s) << false << true
        << false << u"Can not SendMail, Error = 6\n553 5.7.1 Not yours"_s;
    QTest::newRow("connection refused at logon")
        << Result(Stage::Logon, 23, Step::Connect, true, u"connection refused"_s) << false << true
        << false << u"Can not Logon to MAPI, Error = 23\nconnection refused"_s;
    QTest::newRow("outbox full") << Result(Stage::Send, 4, Step::Outbox, false) << false << true
                                 << false << u"Can not SendMail, Error = 4"_s;
    QTest::newRow("stopped during the data")
        << Result(Stage::Send, 1, Step::EndOfData, true) << false << false << false
        << u"Can not SendMail, Error = 1\nStopped before the server confirmed the mail: not "
           "sent."_s;
}

void TestSendEngine::resultTellsRowFromEveryRowFailures() {
    QFETCH(CSendResult, result);
    QFETCH(bool, bSent);
    QFETCH(bool, bForAll);
    QFETCH(bool, bPutOff);
    QFETCH(QString, strText);
    QCOMPARE(result.IsSent(), bSent);
    QCOMPARE(result.FailsForEveryRow(), bForAll);
    QCOMPARE(result.IsTemporaryForRow(), bPutOff);
    QCOMPARE(result.Text(), strText);
}

void TestSendEngine::rowCheckFindsMissingAttachments_data() {
    QTest::addColumn<QString>("strList");
    QTest::addColumn<QStringList>("arrMissing");
    QTest::newRow("none") << QString() << QStringList();
    QTest::newRow("present") << u"price.pdf"_s << QStringList();
    QTest::newRow("one missing") << u"price.pdf; gone.pdf"_s << QStringList{u"gone.pdf"_s};
    QTest::newRow("runs of delimiters")
        << u"price.pdf,,\tgone.pdf;"_s << QStringList{u"gone.pdf"_s};
    QTest::newRow("blank token") << u"price.pdf, "_s << QStringList{QString()};
    QTest::newRow("a folder") << u"sub"_s << QStringList{u"sub"_s};
}

void TestSendEngine::rowCheckFindsMissingAttachments() {
    QFETCH(QString, strList);
    QFETCH(QStringList, arrMissing);
    QVERIFY(WriteFile(m_dir.filePath(u"price.pdf"_s), QByteArray()));
    QVERIFY(QDir(m_dir.path()).mkpath(u"sub"_s));
    QVERIFY(WriteFile(m_dir.filePath(u"offer.txt"_s), QByteArray()));
    QCOMPARE(CRowCheck::MissingAttachments(strList, m_dir.path()), arrMissing);

    CRowMail mail;
    mail.mail.m_strEMail = u"jane@example.com"_s;
    mail.strTemplate = u"offer.txt"_s;
    mail.bTemplateOpened = true;
    mail.mail.m_strAttachments = strList;
    const QList<CRowCheck::Problem> expected =
        arrMissing.isEmpty() ? QList<CRowCheck::Problem>()
                             : QList<CRowCheck::Problem>{CRowCheck::Problem::AttachmentMissing};
    QCOMPARE(CRowCheck::Check(mail, m_dir.path()), expected);
}

// A Markdown template's images are checked before a run as its attachments
// are: a run without a person must not send a mail without its image unless
// the user chose to. Which images cannot go is the renderer's to tell (its
// own tests); here, that the check asks it, with the row's values filled.
void TestSendEngine::rowCheckFindsImagesThatCannotGo_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("bProblem");
    QTest::newRow("in the folder") << QByteArray("logo.png") << false;
    QTest::newRow("on the web") << QByteArray("https://example.com/logo.png") << false;
    QTest::newRow("missing") << QByteArray("gone.png") << true;
    QTest::newRow("named by the row") << QByteArray("#MY_1.png") << false;
}

void TestSendEngine::rowCheckFindsImagesThatCannotGo() {
    QFETCH(QByteArray, image);
    QFETCH(bool, bProblem);
    QVERIFY(WriteFile(m_dir.filePath(u"logo.png"_s), "\x89PNG\r\n\x1a\n"));
    CMailRow row;
    row.m_strEMail = u"jane@example.com"_s;
    row.m_strTemplate = u"offer.md"_s;
    row.m_arrMy[0] = u"logo"_s;
    CRowMail mail;
    mail.strTemplate = row.m_strTemplate;
    mail.bTemplateOpened = true;
    const QByteArray bytes = "#SUBJECT Offer\n![Logo](" + image + ")\n";
    QVERIFY(WriteFile(m_dir.filePath(row.m_strTemplate), bytes));
    mail.mail = CMailTemplate::Merge(row, bytes, u"today"_s);
    QCOMPARE(CRowCheck::Check(mail, m_dir.path()),
             bProblem ? QList<CRowCheck::Problem>{CRowCheck::Problem::ImageMissing}
                      : QList<CRowCheck::Problem>());
}

void TestSendEngine::rowCheckJudgesAddressAsTheLibrary_data() {
    QTest::addColumn<QString>("strEMail");
    QTest::addColumn<bool>("bAccepted");
    QTest::newRow("plain") << u"jane@example.com"_s << true;
    QTest::newRow("address type") << u"SMTP:jane@example.com"_s << true;
    QTest::newRow("two addresses") << u"a@example.com, b@example.com"_s << false;
    QTest::newRow("with name") << u"Jane <jane@example.com>"_s << false;
    QTest::newRow("blank inside") << u"jane doe@example.com"_s << false;
    QTest::newRow("no at") << u"jane.example.com"_s << false;
    QTest::newRow("line break") << u"a@example.com\r\nBcc: x@example.com"_s << false;
    QTest::newRow("not ASCII domain") << u"jane@exämple.com"_s << false;
    QTest::newRow("saved empty") << u" "_s << false;
}

void TestSendEngine::rowCheckJudgesAddressAsTheLibrary() {
    QFETCH(QString, strEMail);
    QFETCH(bool, bAccepted);
    QCOMPARE(CRowCheck::IsAddressAccepted(strEMail), bAccepted);
    CRowMail mail;
    mail.mail.m_strEMail = strEMail;
    mail.bTemplateOpened = false;
    QList<CRowCheck::Problem> expected{CRowCheck::Problem::TemplateMissing};
    if (!bAccepted)
        expected << CRowCheck::Problem::AddressRefused;
    QCOMPARE(CRowCheck::Check(mail, m_dir.path()), expected);
}

// The start folder "start" holds offer.txt, sub/deep.txt and links; beside
// it lie private.txt and a folder whose name begins with the start folder's.
void TestSendEngine::rowCheckFindsTemplatesOutsideTheFolder_data() {
    QTest::addColumn<QString>("strTemplate");
    QTest::addColumn<bool>("bInside");
    const QString strRoot = m_dir.path();
    QTest::newRow("plain name") << u"offer.txt"_s << true;
    QTest::newRow("a folder below") << u"sub/deep.txt"_s << true;
    QTest::newRow("down and up again") << u"sub/../offer.txt"_s << true;
    QTest::newRow("absolute, inside") << strRoot + u"/start/offer.txt"_s << true;
    QTest::newRow("link to a file inside") << u"inner-link.txt"_s << true;
    QTest::newRow("parent folder") << u"../private.txt"_s << false;
    QTest::newRow("down and out") << u"sub/../../private.txt"_s << false;
    QTest::newRow("absolute, outside") << strRoot + u"/private.txt"_s << false;
    QTest::newRow("link to a file outside") << u"outer-link.txt"_s << false;
    QTest::newRow("folder with the same beginning") << u"../start-private/p.txt"_s << false;
}

void TestSendEngine::rowCheckFindsTemplatesOutsideTheFolder() {
    QFETCH(QString, strTemplate);
    QFETCH(bool, bInside);
    const QDir root(m_dir.path());
    const QString strStart = root.filePath(u"start"_s);
    QVERIFY(root.mkpath(u"start/sub"_s));
    QVERIFY(root.mkpath(u"start-private"_s));
    for (const QString& strFile : {u"start/offer.txt"_s, u"start/sub/deep.txt"_s, u"private.txt"_s,
                                   u"start-private/p.txt"_s})
        QVERIFY(WriteFile(root.filePath(strFile), QByteArray()));
    QFile::link(root.filePath(u"private.txt"_s), root.filePath(u"start/outer-link.txt"_s));
    QFile::link(root.filePath(u"start/offer.txt"_s), root.filePath(u"start/inner-link.txt"_s));

    QCOMPARE(CRowCheck::IsTemplateInFolder(strTemplate, strStart), bInside);
    // The same through a start folder that is itself reached by a link.
    QFile::link(strStart, root.filePath(u"start-link"_s));
    QCOMPARE(CRowCheck::IsTemplateInFolder(strTemplate, root.filePath(u"start-link"_s)), bInside);

    CRowMail mail;
    mail.mail.m_strEMail = u"jane@example.com"_s;
    mail.strTemplate = strTemplate;
    mail.bTemplateOpened = true;
    const QList<CRowCheck::Problem> expected =
        bInside ? QList<CRowCheck::Problem>()
                : QList<CRowCheck::Problem>{CRowCheck::Problem::TemplateOutsideFolder};
    QCOMPARE(CRowCheck::Check(mail, strStart), expected);
}

void TestSendEngine::retryScheduleKeepsToTheLimit_data() {
    QTest::addColumn<qint64>("nLimitMs");
    QTest::addColumn<qint64>("nFirstMs");
    QTest::addColumn<QList<qint64>>("arrWaits");
    constexpr qint64 kMinute = 60000;
    QTest::newRow("an hour") << 60 * kMinute << qint64(30000)
                             << QList<qint64>{30000,        kMinute,      2 * kMinute,
                                              5 * kMinute,  10 * kMinute, 10 * kMinute,
                                              10 * kMinute, 10 * kMinute, 10 * kMinute};
    QTest::newRow("none") << qint64(0) << qint64(30000) << QList<qint64>();
    QTest::newRow("two minutes") << 2 * kMinute << qint64(30000) << QList<qint64>{30000, kMinute};
    QTest::newRow("a try exactly at the limit")
        << qint64(90000) << qint64(30000) << QList<qint64>{30000, kMinute};
    QTest::newRow("shortened for tests")
        << qint64(12000) << qint64(100)
        << QList<qint64>{100, 200, 400, 1000, 2000, 2000, 2000, 2000, 2000};
}

// The waits before each try again, until none is left.
void TestSendEngine::retryScheduleKeepsToTheLimit() {
    QFETCH(qint64, nLimitMs);
    QFETCH(qint64, nFirstMs);
    QFETCH(QList<qint64>, arrWaits);
    const CRetrySchedule schedule(nLimitMs, nFirstMs);
    QList<qint64> arrGiven;
    for (int nRetry = 1; schedule.WaitBefore(nRetry); ++nRetry)
        arrGiven << *schedule.WaitBefore(nRetry);
    QCOMPARE(arrGiven, arrWaits);
    QCOMPARE(schedule.IsOn(), nLimitMs > 0);
}

// A run against a scripted sender on a clock of its own. Each row: the
// plan's rows, each address's script, the run's kind, its rate limit and
// retry limit, the answers to its pauses; then the mails in the order they
// went ("address@time"), the log, and the summary.
void TestSendEngine::runTriesAgainPausesAndGoesOn_data() {
    QTest::addColumn<QStringList>("arrRows");
    QTest::addColumn<QStringList>("arrScripts");
    QTest::addColumn<bool>("bMailing");
    QTest::addColumn<int>("nMaxPerMinute");
    QTest::addColumn<int>("nRetryMinutes");
    QTest::addColumn<int>("nLogFailsAt");
    QTest::addColumn<QStringList>("arrAnswers");
    QTest::addColumn<QStringList>("arrSends");
    QTest::addColumn<QStringList>("arrLog");
    QTest::addColumn<QString>("strSummary");

    QTest::newRow("server busy twice, then the mail goes")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:t23@end,t23@end"_s} << true << 0 << 60
        << 0 << QStringList() << QStringList{u"a@0"_s, u"a@30000"_s, u"a@90000"_s, u"b@90000"_s}
        << QStringList{u"a failed 23 t23@end reply"_s, u"a failed 23 t23@end reply"_s,
                       u"a sent 0"_s, u"b sent 0"_s}
        << u"sent 2 failed 0 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("one recipient put off, the others go on")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"b:t23@rcpt"_s} << true << 0 << 60
        << 0 << QStringList() << QStringList{u"a@0"_s, u"b@0"_s, u"c@0"_s, u"b@30000"_s}
        << QStringList{u"a sent 0"_s, u"b failed 23 t23@rcpt reply"_s, u"c sent 0"_s, u"b sent 0"_s}
        << u"sent 3 failed 0 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("a recipient put off past the limit fails alone")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:t23@rcpt,t23@rcpt,t23@rcpt"_s} << true
        << 0 << 2 << 0 << QStringList()
        << QStringList{u"a@0"_s, u"b@0"_s, u"a@30000"_s, u"a@90000"_s}
        << QStringList{u"a failed 23 t23@rcpt reply"_s, u"b sent 0"_s,
                       u"a failed 23 t23@rcpt reply"_s, u"a failed 23 t23@rcpt reply"_s}
        << u"sent 1 failed 1 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("retries run out, then the pause; skip goes on")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:t23@connect,t23@connect,t23@connect"_s}
        << true << 0 << 2 << 0 << QStringList{u"skip"_s}
        << QStringList{u"a@0"_s, u"a@30000"_s, u"a@90000"_s, u"b@90000"_s}
        << QStringList{u"a failed 23 t23@connect reply"_s, u"a failed 23 t23@connect reply"_s,
                       u"a failed 23 t23@connect reply"_s, u"b sent 0"_s}
        << u"sent 1 failed 1 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("retries off: the pause at once")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:t23@end"_s} << true << 0 << 0 << 0
        << QStringList{u"skip"_s} << QStringList{u"a@0"_s, u"b@0"_s}
        << QStringList{u"a failed 23 t23@end reply"_s, u"b sent 0"_s}
        << u"sent 1 failed 1 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("login refused: the pause, and retry sends")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:p3@login"_s} << true << 0 << 60 << 0
        << QStringList{u"retry"_s} << QStringList{u"a@0"_s, u"a@0"_s, u"b@0"_s}
        << QStringList{u"a failed 3 p3@login reply"_s, u"a sent 0"_s, u"b sent 0"_s}
        << u"sent 2 failed 0 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("logon refused: stop at the pause")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"a:logon3"_s} << true << 0 << 60 << 0
        << QStringList{u"stop"_s} << QStringList{u"a@0"_s}
        << QStringList{u"a failed 3 Can not Logon to MAPI, Error = 3"_s}
        << u"sent 0 failed 1 skipped 0 before 0 elsewhere 0 unreached 2"_s;
    QTest::newRow("a refused recipient fails alone")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"a:p14@rcpt"_s} << true << 0 << 60 << 0
        << QStringList() << QStringList{u"a@0"_s, u"b@0"_s}
        << QStringList{u"a failed 14 p14@rcpt reply"_s, u"b sent 0"_s}
        << u"sent 1 failed 1 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("a single mail is tried once")
        << QStringList{u"a"_s} << QStringList{u"a:t23@end"_s} << false << 0 << 60 << 0
        << QStringList() << QStringList{u"a@0"_s} << QStringList{u"a failed 23 t23@end reply"_s}
        << u"sent 0 failed 1 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("the rate limit spaces the starts")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList() << true << 120 << 60 << 0
        << QStringList() << QStringList{u"a@0"_s, u"b@500"_s, u"c@1000"_s}
        << QStringList{u"a sent 0"_s, u"b sent 0"_s, u"c sent 0"_s}
        << u"sent 3 failed 0 skipped 0 before 0 elsewhere 0 unreached 0"_s;
    QTest::newRow("rows left out: a line for a problem, none for one sent before")
        << QStringList{u"=a"_s, u"!b"_s, u"c"_s} << QStringList() << true << 0 << 60 << 0
        << QStringList() << QStringList{u"c@0"_s}
        << QStringList{u"b skipped 0 why"_s, u"c sent 0"_s}
        << u"sent 1 failed 0 skipped 1 before 1 elsewhere 0 unreached 0"_s;
    QTest::newRow("a row another run took")
        << QStringList{u"a"_s, u"~b"_s} << QStringList() << true << 0 << 60 << 0 << QStringList()
        << QStringList{u"a@0"_s} << QStringList{u"a sent 0"_s}
        << u"sent 1 failed 0 skipped 0 before 0 elsewhere 1 unreached 0"_s;
    QTest::newRow("a log that cannot be written stops the run")
        << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList() << true << 0 << 60 << 2
        << QStringList() << QStringList{u"a@0"_s, u"b@0"_s} << QStringList{u"a sent 0"_s}
        << u"sent 2 failed 0 skipped 0 before 0 elsewhere 0 unreached 1"_s;
}

void TestSendEngine::runTriesAgainPausesAndGoesOn() {
    QFETCH(QStringList, arrRows);
    QFETCH(QStringList, arrScripts);
    QFETCH(bool, bMailing);
    QFETCH(int, nMaxPerMinute);
    QFETCH(int, nRetryMinutes);
    QFETCH(int, nLogFailsAt);
    QFETCH(QStringList, arrAnswers);
    QFETCH(QStringList, arrSends);
    QFETCH(QStringList, arrLog);
    QFETCH(QString, strSummary);

    QMap<QString, QList<CSendResult>> scripts;
    for (const QString& strScript : arrScripts) {
        for (const QString& strToken : strScript.section(u':', 1).split(u','))
            scripts[strScript.section(u':', 0, 0)] << ScriptedResult(strToken);
    }
    CFakeClock clock;
    CScriptedSender sender(clock, scripts);
    CMemoryRunLog log;
    log.m_nFailAt = nLogFailsAt;
    for (const QString& strRow : arrRows) {
        if (strRow.startsWith(u'~'))
            log.m_taken.insert(strRow.mid(1));
    }
    CSendWorker worker(
        PlanOf(arrRows), bMailing ? CSendWorker::Mode::Mailing : CSendWorker::Mode::Single, sender,
        log, clock, CRateLimiter(nMaxPerMinute), CRetrySchedule(qint64(nRetryMinutes) * 60000));
    static const QMap<QString, CSendWorker::PauseAnswer> answers = {
        {u"retry"_s, CSendWorker::PauseAnswer::Retry},
        {u"skip"_s, CSendWorker::PauseAnswer::SkipRow},
        {u"stop"_s, CSendWorker::PauseAnswer::Stop}};
    connect(&worker, &CSendWorker::paused, this, [&] {
        worker.AnswerPause(answers.value(arrAnswers.takeFirst(), CSendWorker::PauseAnswer::Stop));
    });
    QList<int> arrProgress;
    connect(&worker, &CSendWorker::progress, this,
            [&](int nDone, int nToSend) { arrProgress << nDone << nToSend; });
    CSendSummary summary;
    connect(&worker, &CSendWorker::finished, this,
            [&](const CSendSummary& finished) { summary = finished; });
    worker.Run();

    QCOMPARE(sender.m_arrSends, arrSends);
    QCOMPARE(log.m_arrLines, arrLog);
    QCOMPARE(
        u"sent %1 failed %2 skipped %3 before %4 elsewhere %5 unreached %6"_s.arg(summary.nSent)
            .arg(summary.nFailed)
            .arg(summary.nSkipped)
            .arg(summary.nAlreadySent)
            .arg(summary.nTakenElsewhere)
            .arg(summary.nNotReached),
        strSummary);
    QVERIFY(arrAnswers.isEmpty());
    QCOMPARE(summary.Total(), arrRows.size());
    QCOMPARE(summary.strLogError.isEmpty(), nLogFailsAt == 0);
    // The last progress counts every mail to send that was dealt with.
    QCOMPARE(
        arrProgress.mid(arrProgress.size() - 2),
        (QList<int>{summary.nSent + summary.nFailed + summary.nTakenElsewhere, worker.ToSend()}));
}

// A stop from another thread ends the rate limit's wait (a minute here) at
// once, and an abort reaches the sender.
void TestSendEngine::stopEndsAWaitAtOnce() {
    CSteadyClock clock;
    CScriptedSender sender(clock, {});
    CMemoryRunLog log;
    CSendWorker worker(PlanOf({u"a"_s, u"b"_s}), CSendWorker::Mode::Mailing, sender, log, clock,
                       CRateLimiter(1), CRetrySchedule(0));
    QThread thread;
    worker.moveToThread(&thread);
    connect(&thread, &QThread::started, &worker, &CSendWorker::Run);
    connect(&worker, &CSendWorker::finished, &thread, &QThread::quit, Qt::DirectConnection);
    QElapsedTimer elapsed;
    elapsed.start();
    thread.start();
    QTRY_COMPARE(sender.m_nSends.load(), 1);
    worker.Abort();
    QVERIFY(thread.wait(10000));
    QVERIFY2(elapsed.elapsed() < 30000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(sender.m_arrSends.size(), 1);
    QCOMPARE(sender.m_nAborts, 1);
    QCOMPARE(log.m_arrLines, QStringList{u"a sent 0"_s});
}

// One template for the mailing makes every row's mail, a row without a
// template of its own included, and is the template the log compares; the
// rows keep their own. Without it, each row's own is used.
void TestSendEngine::checkMakesEveryMailWithTheMailingsTemplate() {
    const QDir dir(m_dir.path());
    QVERIFY(dir.mkpath(u"mailing"_s));
    const QString strStart = dir.filePath(u"mailing"_s);
    for (const auto& [strName, bytes] :
         {std::pair{u"own.txt"_s, QByteArray("#SUBJECT Own\r\nOwn #NAME")},
          std::pair{u"news.txt"_s, QByteArray("#SUBJECT News for #NAME\r\nNews")}})
        QVERIFY(WriteFile(QDir(strStart).filePath(strName), bytes));
    CSendLogEntry sent = Entry(u"a@example.com"_s, u"News for Jo"_s);
    sent.strTemplate = u"news.txt"_s;
    CSendCheck check(strStart, CSentLookup({sent}));
    const CMailRow withOwn = Row(u"a@example.com"_s, u"own.txt"_s);
    const CMailRow withNone = Row(u"b@example.com"_s, u" "_s);

    CCheckedRow own = check.Check(0, withOwn);
    CCheckedRow none = check.Check(1, withNone);
    QCOMPARE(own.mail.mail.m_strSubject, u"Own"_s);
    QVERIFY(!own.bAlreadySent);
    QCOMPARE(none.problems, QList<CRowCheck::Problem>{CRowCheck::Problem::TemplateMissing});

    check.SetTemplate(u"news.txt"_s);
    own = check.Check(0, withOwn);
    none = check.Check(1, withNone);
    for (const CCheckedRow& row : {own, none}) {
        QCOMPARE(row.mail.strTemplate, u"news.txt"_s);
        QVERIFY(row.problems.isEmpty());
        QCOMPARE(row.mail.mail.m_strBody, u"News"_s);
    }
    QCOMPARE(own.mail.row.m_strTemplate, u"own.txt"_s);
    QCOMPARE(own.mail.mail.m_strSubject, u"News for Jo"_s);
    QVERIFY(own.bAlreadySent);
    QVERIFY(!none.bAlreadySent);
    const QList<CPlannedRow> plan = CSendCheck::Plan({own, none}, CSendChoices());
    QCOMPARE(plan[0].skip, CPlannedRow::Skip::AlreadySent);
    QCOMPARE(plan[1].skip, CPlannedRow::Skip::None);
    QCOMPARE(CSendCheck::CountToSend(plan), 1);
}

void TestSendEngine::checkListsEmptyPlaceholders_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("strWarnings");
    QTest::newRow("none used") << QByteArray("#SUBJECT Hi\r\nHello.") << QString();
    QTest::newRow("name and MY_1") << QByteArray("#SUBJECT Hi #NAME\r\nYour #MY_1.")
                                   << u"#NAME is empty in 2 rows:\n"
                                      "    row 2: b@example.com (t.txt)\n"
                                      "    row 3: c@example.com (t.txt)\n"
                                      "#MY_1 is empty in 1 rows:\n"
                                      "    row 3: c@example.com (t.txt)"_s;
    QTest::newRow("only in the attachment line")
        << QByteArray("#ATTACHMENTS #MY_1.pdf\r\nHello.")
        << u"#MY_1 is empty in 1 rows:\n    row 3: c@example.com (t.txt)"_s;
}

// A placeholder the template uses and the row leaves empty (empty, or the
// single blank a field saved empty holds) is a warning with its rows.
void TestSendEngine::checkListsEmptyPlaceholders() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, strWarnings);
    QVERIFY(WriteFile(m_dir.filePath(u"t.txt"_s), bytes));
    CSendCheck check(m_dir.path(), CSentLookup({}));
    const QList<CCheckedRow> rows = {
        check.Check(0, Row(u"a@example.com"_s, u"t.txt"_s)),
        check.Check(1, Row(u"b@example.com"_s, u"t.txt"_s, u" "_s)),
        check.Check(2, Row(u"c@example.com"_s, u"t.txt"_s, QString(), u"\t"_s))};
    QCOMPARE(CSendCheck::WarningText(rows), strWarnings);
}

void TestSendEngine::checkStartsWithAFolderTemplateWhereRowsLackOne_data() {
    QTest::addColumn<QStringList>("arrOwn");
    QTest::addColumn<QString>("strDefault");
    QTest::newRow("every row has one") << QStringList{u"b.txt"_s, u"gone.txt"_s} << QString();
    QTest::newRow("none has one") << QStringList{u" "_s, QString()} << u"a.txt"_s;
    QTest::newRow("the one most rows name")
        << QStringList{u"b.txt"_s, u"b.txt"_s, u"a.txt"_s, u" "_s} << u"b.txt"_s;
}

void TestSendEngine::checkStartsWithAFolderTemplateWhereRowsLackOne() {
    QFETCH(QStringList, arrOwn);
    QFETCH(QString, strDefault);
    QList<CMailRow> rows;
    for (const QString& strOwn : arrOwn)
        rows << Row(u"a@example.com"_s, strOwn);
    QCOMPARE(CSendCheck::DefaultTemplate(rows, {u"a.txt"_s, u"b.txt"_s}), strDefault);
}

QTEST_GUILESS_MAIN(TestSendEngine)
#include "tst_sendengine.moc"
