// A team's send log: which run may send a mail, what every attempt leaves in
// the database, and two programs sharing one mailing, one of them killed.

#include "engine/send/CTeamSendLog.h"
#include "platform/dao/CDaoDatabase.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/PeopleTable.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <memory>

namespace {

constexpr int kLeaseSeconds = 300;
constexpr int kChildLeaseSeconds = 3;

CSendLogEntry Mail(const QString& strEMail, const QString& strSubject = QStringLiteral("Offer")) {
    CSendLogEntry entry;
    entry.strEMail = strEMail;
    entry.strName = QStringLiteral("Jane Doe");
    entry.strTemplate = QStringLiteral("offer.txt");
    entry.strSubject = strSubject;
    return entry;
}

CSendLogEntry Attempt(CSendLogEntry entry, CSendLogEntry::Result result) {
    entry.result = result;
    entry.time = QDateTime(QDate(2026, 12, 8), QTime(9, 30), QTimeZone::utc());
    return entry;
}

} // namespace

// The rules run on a file and on a server alike; the programs, the restart
// and the outage only on the server.
class TestTeamSendLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }
    void initTestCase() {
        m_pServer = std::make_unique<CPgTestServer>();
        QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
    }
    void init() {
        QFETCH_GLOBAL(bool, server);
        QVERIFY(m_pServer->Start());
        m_pDir = std::make_unique<QTemporaryDir>();
        m_now = QDateTime(QDate(2026, 12, 8), QTime(9, 0), QTimeZone::utc());
        if (server)
            QCOMPARE(m_pServer->Clear(), QString());
        m_pOurs = OpenDatabase(server);
        // A team's database holds the address book's table already.
        CreatePeopleTable(*m_pOurs);
        Log(*m_pOurs); // the tables, before a file's second connection
        m_pTheirs = OpenDatabase(server);
    }
    void cleanup() {
        m_pOurs.reset();
        m_pTheirs.reset();
        m_pDir.reset();
    }

    // Another run holds a mail until it is sent or its lease passes; a
    // failed attempt starts the lease again, and an address in other
    // letters is the same mail.
    void aMailGoesToOneRun_data() {
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<int>("expected");
        using ClaimResult = CTeamSendLog::ClaimResult;
        QTest::newRow("nobody's") << "" << 0 << "jane@example.com" << int(ClaimResult::Granted);
        QTest::newRow("held") << "claimed" << kLeaseSeconds - 1 << "jane@example.com"
                              << int(ClaimResult::Taken);
        QTest::newRow("held, other letters")
            << "claimed" << 0 << "JANE@Example.com" << int(ClaimResult::Taken);
        QTest::newRow("lease passed")
            << "claimed" << kLeaseSeconds + 1 << "jane@example.com" << int(ClaimResult::Granted);
        QTest::newRow("lease renewed by a failure")
            << "failed" << kLeaseSeconds + 1 << "jane@example.com" << int(ClaimResult::Taken);
        QTest::newRow("sent, lease long passed")
            << "sent" << 10 * kLeaseSeconds << "jane@example.com" << int(ClaimResult::Taken);
        QTest::newRow("another address")
            << "claimed" << 0 << "joe@example.com" << int(ClaimResult::Granted);
    }
    void aMailGoesToOneRun() {
        QFETCH(QString, theirs);
        QFETCH(int, secondsLater);
        QFETCH(QString, ours);
        QFETCH(int, expected);
        CTeamSendLog theirLog = Log(*m_pTheirs);
        CTeamSendLog ourLog = Log(*m_pOurs);
        const CSendLogEntry mail = Mail(QStringLiteral("jane@example.com"));
        if (!theirs.isEmpty())
            QCOMPARE(theirLog.Claim(mail), CTeamSendLog::ClaimResult::Granted);
        // The failure comes late in the lease, so only a renewed one holds.
        m_now = m_now.addSecs(kLeaseSeconds - 1);
        if (theirs == u"failed")
            QVERIFY(theirLog.Append(Attempt(mail, CSendLogEntry::Result::Failed)));
        if (theirs == u"sent")
            QVERIFY(theirLog.Append(Attempt(mail, CSendLogEntry::Result::Sent)));
        m_now = m_now.addSecs(secondsLater - (kLeaseSeconds - 1));
        QCOMPARE(int(ourLog.Claim(Mail(ours))), expected);
        // A run asking again for its own claim keeps it; the other may not.
        if (expected == int(CTeamSendLog::ClaimResult::Granted)) {
            QCOMPARE(ourLog.Claim(Mail(ours)), CTeamSendLog::ClaimResult::Granted);
            QCOMPARE(theirLog.Claim(Mail(ours)), CTeamSendLog::ClaimResult::Taken);
        }
    }

    // What one machine sent, the other's resume passes over; the user's CSV
    // log gets the line too; the claims a run lets go are free at once.
    void attemptsAreSharedAndKept() {
        CTeamSendLog theirLog = Log(*m_pTheirs);
        const CSendLogEntry jane = Mail(QStringLiteral("jane@example.com"));
        const CSendLogEntry joe = Mail(QStringLiteral("joe@example.com"));
        QCOMPARE(theirLog.Claim(jane), CTeamSendLog::ClaimResult::Granted);
        QCOMPARE(theirLog.Claim(joe), CTeamSendLog::ClaimResult::Granted);
        CSendLogEntry sent = Attempt(jane, CSendLogEntry::Result::Sent);
        sent.strMessage = QStringLiteral("250 2.0.0 Ok: queued as 'X1'");
        sent.strMessageId = QStringLiteral("<1@example.com>");
        QVERIFY(theirLog.Append(sent));
        QVERIFY(theirLog.Append(Attempt(joe, CSendLogEntry::Result::Failed)));
        QVERIFY(theirLog.ReleaseClaims());

        CTeamSendLog ourLog = Log(*m_pOurs);
        const CSentLookup lookup = ourLog.Sent();
        QVERIFY(
            lookup.IsSent(QStringLiteral("Jane@example.com"), jane.strTemplate, jane.strSubject));
        QVERIFY(!lookup.IsSent(joe.strEMail, joe.strTemplate, joe.strSubject));
        QCOMPARE(ourLog.Claim(jane), CTeamSendLog::ClaimResult::Taken);
        QCOMPARE(ourLog.Claim(joe), CTeamSendLog::ClaimResult::Granted);

        CDaoStatement row = m_pOurs->Prepare(
            QStringLiteral("SELECT Time, Result, ServerText, MessageID, Machine, UserName FROM "
                           "SENDLOG WHERE EMail = 'jane@example.com'"),
            false);
        QVERIFY(row.Step());
        QCOMPARE(row.Column(0).toString(), QStringLiteral("2026-12-08 09:30:00"));
        QCOMPARE(row.Column(1).toString(), QStringLiteral("sent"));
        QCOMPARE(row.Column(2).toString(), sent.strMessage);
        QCOMPARE(row.Column(3).toString(), sent.strMessageId);
        QVERIFY(!row.Column(4).toString().isEmpty());
        QVERIFY(!row.Column(5).toString().isEmpty());
        QVERIFY(!row.Step());
        QCOMPARE(CSendLog(m_pDir->filePath(QStringLiteral("theirs.csv"))).Read().size(), 2);
    }

    // A record that meets a restarting server is made once the server is
    // back, so the mail that went out is not sent again; while no server
    // answers, no claim is granted.
    void aRestartLosesNoRecord() {
        QFETCH_GLOBAL(bool, server);
        if (!server)
            QSKIP("a server's fault");
        int nPauses = 0;
        CTeamSendLog log(*m_pOurs, m_pDir->filePath(QStringLiteral("ours.csv")), kLeaseSeconds,
                         CTeamSendLog::Clock(), [&](int) {
                             if (++nPauses == 3)
                                 QVERIFY(m_pServer->Start());
                         });
        const CSendLogEntry jane = Mail(QStringLiteral("jane@example.com"));
        QCOMPARE(log.Claim(jane), CTeamSendLog::ClaimResult::Granted);
        QVERIFY(m_pServer->Stop());
        QCOMPARE(log.Claim(Mail(QStringLiteral("joe@example.com"))),
                 CTeamSendLog::ClaimResult::Failed);
        QVERIFY(log.ErrorText().contains(u"corvane@"));
        QVERIFY2(log.Append(Attempt(jane, CSendLogEntry::Result::Sent)),
                 qPrintable(log.ErrorText()));
        QCOMPARE(nPauses, 3);
        QCOMPARE(m_pServer->Value(QStringLiteral("SELECT count(*) FROM \"SENDLOG\"")),
                 QStringLiteral("1"));
        QCOMPARE(m_pServer->Column(QStringLiteral("SELECT \"State\" FROM \"SENDCLAIMS\"")),
                 QStringList{QStringLiteral("sent")});
    }

    // Two programs sending one mailing of 500 split it and send no mail
    // twice; when one is killed holding a claim, the other sends that mail
    // once the lease has passed.
    void twoProgramsShareAMailing_data() {
        QTest::addColumn<bool>("kill");
        QTest::newRow("both finish") << false;
        QTest::newRow("one killed at its 100th mail") << true;
    }
    void twoProgramsShareAMailing() {
        QFETCH_GLOBAL(bool, server);
        QFETCH(bool, kill);
        if (!server)
            QSKIP("a team's mailing is on a server");
        const QString strGo = m_pDir->filePath(QStringLiteral("go"));
        QProcess first;
        QProcess second;
        for (QProcess* pChild : {&first, &second}) {
            QStringList args = {m_pServer->Url(), m_pDir->path(), QStringLiteral("500"),
                                QString::number(kChildLeaseSeconds), strGo};
            if (kill && pChild == &first)
                args.append(QStringLiteral("100"));
            pChild->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            pChild->start(QStringLiteral(TEAM_SEND_CHILD), args);
        }
        for (QProcess* pChild : {&first, &second}) {
            QTRY_VERIFY_WITH_TIMEOUT(pChild->canReadLine(), 30000);
            QCOMPARE(pChild->readLine(), QByteArray("ready\n"));
        }
        QElapsedTimer timer;
        timer.start();
        QVERIFY(QFile(strGo).open(QIODevice::WriteOnly));
        QVERIFY(second.waitForFinished(120000));
        QVERIFY(first.waitForFinished(120000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        const qsizetype nFirst = first.readAll().count("sent ");
        const qsizetype nSecond = second.readAll().count("sent ");
        QCOMPARE(m_pServer->Value(QStringLiteral(
                     "SELECT count(DISTINCT \"EMail\") || ' ' || count(*) FROM \"SENDLOG\" "
                     "WHERE \"Result\" = 'sent'")),
                 QStringLiteral("500 500"));
        QCOMPARE(nFirst + nSecond, 500);
        if (kill) {
            QCOMPARE(first.exitStatus(), QProcess::CrashExit);
            QCOMPARE(nFirst, 99);
            // The lease ends at a whole second, so up to one sooner.
            QVERIFY(timer.elapsed() >= (kChildLeaseSeconds - 1) * 1000);
        } else {
            QCOMPARE(first.exitCode(), 0);
            QVERIFY(nFirst > 0);
            QVERIFY(nSecond > 0);
        }
    }

private:
    std::unique_ptr<CDaoDatabase> OpenDatabase(bool bServer) {
        auto pDatabase = std::make_unique<CDaoDatabase>();
        if (bServer)
            pDatabase->OpenServer(m_pServer->Url());
        else if (QFileInfo::exists(m_pDir->filePath(QStringLiteral("team.mdb"))))
            pDatabase->Open(m_pDir->filePath(QStringLiteral("team.mdb")));
        else
            pDatabase->Create(m_pDir->filePath(QStringLiteral("team.mdb")));
        return pDatabase;
    }
    CTeamSendLog Log(CDaoDatabase& database) {
        return CTeamSendLog(database,
                            m_pDir->filePath(&database == m_pOurs.get()
                                                 ? QStringLiteral("ours.csv")
                                                 : QStringLiteral("theirs.csv")),
                            kLeaseSeconds, [this] { return m_now; });
    }

    std::unique_ptr<CPgTestServer> m_pServer;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CDaoDatabase> m_pOurs;
    std::unique_ptr<CDaoDatabase> m_pTheirs;
    QDateTime m_now;
};

QTEST_GUILESS_MAIN(TestTeamSendLog)
#include "tst_teamsendlog.moc"
