#pragma once

#include "engine/send/CRunLog.h"
#include "engine/send/CSendLog.h"
#include "engine/send/CSendLogEntry.h"
#include "engine/send/CSentLookup.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class CDaoDatabase;

// The send log of a team: several runs, on several machines, sending one
// mailing from one database. Two tables of the address book's database hold
// it: SENDLOG, every attempt with the machine and user that made it, and
// SENDCLAIMS, which run holds each mail. A run claims a mail before it sends
// it; the claim holds while the run records attempts and for a lease after
// the last one, so the mails of a run that died (killed, its network gone)
// go to the others once the lease has passed. A mail recorded as sent stays
// taken for good. Mails are told apart as CSentLookup tells them apart.
// Every attempt also goes into the user's own CSV log. Lease times come from
// each machine's clock, so the machines' clocks must agree to well within a
// lease.
class CTeamSendLog : public CRunLog {
public:
    using Clock = std::function<QDateTime()>;
    using Pause = std::function<void(int nMilliseconds)>;

    static constexpr int kDefaultLeaseSeconds = 300;
    static constexpr QLatin1String kLogTable{"SENDLOG"};
    static constexpr QLatin1String kClaimTable{"SENDCLAIMS"};

    // Creates the tables when the database lacks them; raises a
    // CDaoException when it cannot. The clock and pause are the machine's
    // unless a test gives its own.
    CTeamSendLog(CDaoDatabase& database, const QString& strCsvPath,
                 int nLeaseSeconds = kDefaultLeaseSeconds, Clock clock = Clock(),
                 Pause pause = Pause());
    // The team's log of the database at strUrl on a connection of its own,
    // for a run on a thread of its own. Raises a CDaoException when the
    // server cannot be reached or the tables cannot be made.
    static std::unique_ptr<CTeamSendLog> Connect(const QString& strUrl, const QString& strPassword,
                                                 const QString& strCsvPath);
    ~CTeamSendLog() override;

    // Records the attempt in the database and the CSV log; a sent mail's
    // claim becomes final, a failed one's lease starts again. A connection
    // that breaks is tried again for a while, so that a server's restart
    // does not lose a mail that went out. False, with the reason in
    // ErrorText(), when the attempt could not be recorded.
    bool Append(const CSendLogEntry& entry) override;
    QString ErrorText() const override { return m_strError; }
    // The mails the team's log records as sent. Raises a CDaoException when
    // the database cannot say.
    CSentLookup Sent() const override;
    // Takes the mail of entry (address, template, subject) for this run:
    // Taken when another live run holds it or it was sent; Failed, with the
    // reason in ErrorText(), when the database could not be asked, and the
    // mail must then not be sent.
    ClaimResult Claim(const CSendLogEntry& entry) override;
    // Lets the others have this run's claims on mails it did not send, at
    // the run's end; false, with the reason in ErrorText(), when it failed
    // (the lease then frees them).
    bool ReleaseClaims() override;
    // Where the log is kept, for the user.
    QString Where() const override;

private:
    CTeamSendLog(std::unique_ptr<CDaoDatabase> pDatabase, const QString& strCsvPath);

    void CreateTables();
    void AppendToDatabase(const CSendLogEntry& entry);
    void InsertAttempt(const CSendLogEntry& entry);
    void MarkSent(const QString& strKey);
    ClaimResult TryClaim(const QString& strKey);
    void WriteClaim(const QString& strKey, bool bNew);
    QString LeaseEnd() const;
    static QString MailKey(const CSendLogEntry& entry);

    // The connection Connect made, which the log keeps; null otherwise.
    std::unique_ptr<CDaoDatabase> m_pOwnDatabase;
    CDaoDatabase& m_database;
    CSendLog m_csv;
    int m_nLeaseSeconds;
    Clock m_clock;
    Pause m_pause;
    QString m_strOwner;   // this run, unique among all runs
    QString m_strMachine; // and where it runs, for the user
    QString m_strUser;
    QString m_strError;
};
