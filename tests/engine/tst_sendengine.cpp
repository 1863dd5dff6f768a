// The pieces of a Send Mail run that need no windows.

#include "engine/send/CRateLimiter.h"
#include "engine/send/CRowCheck.h"
#include "engine/send/CSendLog.h"
#include "engine/send/CSendOutcome.h"
#include "engine/send/CSentLookup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CSendOutcome::Kind)

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

QByteArray ReadAll(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSendEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void logKeepsEveryFieldAsWritten_data();
    void logKeepsEveryFieldAsWritten();
    void logWritesHeaderOnceAndOnlyAppends();
    void logEndsALineACrashCutShort();
    void logThatCannotBeWrittenSaysWhy();
    void sentLookupMatchesAddressTemplateAndSubject();
    void logKeepsSpreadsheetFormulasOut_data();
    void logKeepsSpreadsheetFormulasOut();
    void rateLimiterSpacesStarts_data();
    void rateLimiterSpacesStarts();
    void outcomeTellsRowFromEveryRowFailures_data();
    void outcomeTellsRowFromEveryRowFailures();
    void rowCheckFindsMissingAttachments_data();
    void rowCheckFindsMissingAttachments();
    void rowCheckJudgesAddressAsTheLibrary_data();
    void rowCheckJudgesAddressAsTheLibrary();
    void rowCheckFindsTemplatesOutsideTheFolder_data();
    void rowCheckFindsTemplatesOutsideTheFolder();

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

// A line that a killed program left without its end is ended first, so the
// new entry stands on a line of its own; the torn line is no entry.
void TestSendEngine::logEndsALineACrashCutShort() {
    const QString strPath = m_dir.filePath(u"torn.csv"_s);
    CSendLog log(strPath);
    QVERIFY(log.Append(Entry(u"a@example.com"_s, u"S"_s)));
    {
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::Append));
        file.write("2026-12-07T14:05:10+01:00,b@exa");
    }
    QVERIFY(log.Append(Entry(u"c@example.com"_s, u"S"_s)));
    const QList<CSendLogEntry> entries = log.Read();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].strEMail, u"a@example.com"_s);
    QCOMPARE(entries[1].strEMail, u"c@example.com"_s);
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
    QTest::newRow("plus") << u"+1"_s << true;
    QTest::newRow("minus") << u"-50% today"_s << true;
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
        QVERIFY2(strField.isEmpty() || !u"=+-@\t\r"_s.contains(strField.front()),
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

void TestSendEngine::outcomeTellsRowFromEveryRowFailures_data() {
    QTest::addColumn<QStringList>("arrMessages");
    QTest::addColumn<CSendOutcome::Kind>("kind");
    QTest::addColumn<int>("nError");
    using Kind = CSendOutcome::Kind;
    QTest::newRow("sent") << QStringList() << Kind::Sent << 0;
    QTest::newRow("attachment left out")
        << QStringList{u"Can not find a file: \"a.pdf\".\nIt will not be attached to that Mail."_s}
        << Kind::Sent << 0;
    QTest::newRow("logoff failed")
        << QStringList{u"Can not Logoff from, Error = 2"_s} << Kind::Sent << 2;
    QTest::newRow("template") << QStringList{u"Can not open a template file \"x.txt\""_s}
                              << Kind::FailedForRow << 0;
    QTest::newRow("recipient refused")
        << QStringList{u"Can not SendMail, Error = 14"_s} << Kind::FailedForRow << 14;
    QTest::newRow("address refused")
        << QStringList{u"Can not SendMail, Error = 25"_s} << Kind::FailedForRow << 25;
    QTest::newRow("no mail system")
        << QStringList{u"MAPI is not installed on this computer."_s} << Kind::FailedForAll << 0;
    QTest::newRow("no library") << QStringList{u"Can not load library MAPI32.DLL"_s}
                                << Kind::FailedForAll << 0;
    QTest::newRow("logon") << QStringList{u"Can not Logon to MAPI, Error = 3"_s}
                           << Kind::FailedForAll << 3;
    QTest::newRow("server gone") << QStringList{u"Can not SendMail, Error = 23"_s}
                                 << Kind::FailedForAll << 23;
    QTest::newRow("login refused at send")
        << QStringList{u"Can not SendMail, Error = 3"_s} << Kind::FailedForAll << 3;
    QTest::newRow("sender refused")
        << QStringList{u"Can not SendMail, Error = 6"_s} << Kind::FailedForAll << 6;
    QTest::newRow("warning, then server gone")
        << QStringList{u"Can not find a file: \"a.pdf\".\nIt will not be attached to that Mail."_s,
                       u"Can not SendMail, Error = 23"_s}
        << Kind::FailedForAll << 23;
}

void TestSendEngine::outcomeTellsRowFromEveryRowFailures() {
    QFETCH(QStringList, arrMessages);
    QFETCH(CSendOutcome::Kind, kind);
    QFETCH(int, nError);
    const CSendOutcome outcome = CSendOutcome::FromMessages(arrMessages);
    QCOMPARE(outcome.m_kind, kind);
    QCOMPARE(outcome.m_nError, nError);
    QCOMPARE(outcome.m_strMessage, arrMessages.join(u'\n'));
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
    QFile price(m_dir.filePath(u"price.pdf"_s));
    QVERIFY(price.open(QIODevice::WriteOnly));
    price.close();
    QVERIFY(QDir(m_dir.path()).mkpath(u"sub"_s));
    QFile offer(m_dir.filePath(u"offer.txt"_s));
    QVERIFY(offer.open(QIODevice::WriteOnly));
    offer.close();
    QCOMPARE(CRowCheck::MissingAttachments(strList, m_dir.path()), arrMissing);

    CRowMail mail;
    mail.strEMail = u"jane@example.com"_s;
    mail.strTemplate = u"offer.txt"_s;
    mail.bTemplateOpened = true;
    mail.strAttachments = strList;
    const QList<CRowCheck::Problem> expected =
        arrMissing.isEmpty() ? QList<CRowCheck::Problem>()
                             : QList<CRowCheck::Problem>{CRowCheck::Problem::AttachmentMissing};
    QCOMPARE(CRowCheck::Check(mail, m_dir.path()), expected);
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
    mail.strEMail = strEMail;
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
    for (const QString& strFile : {u"start/offer.txt"_s, u"start/sub/deep.txt"_s,
                                   u"private.txt"_s, u"start-private/p.txt"_s}) {
        QFile file(root.filePath(strFile));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile::link(root.filePath(u"private.txt"_s), root.filePath(u"start/outer-link.txt"_s));
    QFile::link(root.filePath(u"start/offer.txt"_s), root.filePath(u"start/inner-link.txt"_s));

    QCOMPARE(CRowCheck::IsTemplateInFolder(strTemplate, strStart), bInside);
    // The same through a start folder that is itself reached by a link.
    QFile::link(strStart, root.filePath(u"start-link"_s));
    QCOMPARE(CRowCheck::IsTemplateInFolder(strTemplate, root.filePath(u"start-link"_s)), bInside);

    CRowMail mail;
    mail.strEMail = u"jane@example.com"_s;
    mail.strTemplate = strTemplate;
    mail.bTemplateOpened = true;
    const QList<CRowCheck::Problem> expected =
        bInside ? QList<CRowCheck::Problem>()
                : QList<CRowCheck::Problem>{CRowCheck::Problem::TemplateOutsideFolder};
    QCOMPARE(CRowCheck::Check(mail, strStart), expected);
}

QTEST_GUILESS_MAIN(TestSendEngine)
#include "tst_sendengine.moc"
