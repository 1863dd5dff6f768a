#include "engine/send/CTeamSendLog.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CDaoTableDef.h"
#include "platform/dao/CDaoTransaction.h"
#include "platform/dao/DaoConstants.h"

#include <QCryptographicHash>
#include <QSysInfo>
#include <QThread>
#include <QTimeZone>
#include <QUuid>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
constexpr char kClaimed[] = "claimed";
constexpr char kSent[] = "sent";
// A server that restarts is back within seconds; a record is tried again
// for that long before the run is told it failed.
constexpr int kRecordTries = 20;
constexpr int kRecordPauseMs = 500;

struct FieldDef {
    const char* pName;
    short nType;
    long lSize;
    long lAttributes;
};

constexpr FieldDef kLogFields[] = {{"ID_Log", dbLong, 4, dbAutoIncrField},
                                   {"Time", dbDate, 8, 0},
                                   {"EMail", dbMemo, 0, 0},
                                   {"Name", dbMemo, 0, 0},
                                   {"Template", dbMemo, 0, 0},
                                   {"Subject", dbMemo, 0, 0},
                                   {"Result", dbText, 16, 0},
                                   {"Error", dbLong, 4, 0},
                                   {"ServerText", dbMemo, 0, 0},
                                   {"MessageID", dbMemo, 0, 0},
                                   {"Machine", dbMemo, 0, 0},
                                   {"UserName", dbMemo, 0, 0}};
constexpr FieldDef kClaimFields[] = {{"MailKey", dbText, 64, 0}, {"Owner", dbText, 38, 0},
                                     {"Machine", dbMemo, 0, 0},  {"UserName", dbMemo, 0, 0},
                                     {"Until", dbDate, 8, 0},    {"State", dbText, 8, 0}};

// The tables refuse the empty text, as the address table does; an empty
// value is stored as no value.
QVariant TextOrNull(const QString& strText) {
    return strText.isEmpty() ? QVariant() : QVariant(strText);
}

QString UtcText(const QDateTime& time) {
    return time.toUTC().toString(QLatin1String(kTimeFormat));
}

QDateTime FromUtcText(const QString& strText) {
    QDateTime time = QDateTime::fromString(strText, QLatin1String(kTimeFormat));
    time.setTimeZone(QTimeZone::utc());
    return time;
}

QString UserName() {
    const passwd* pUser = ::getpwuid(::getuid());
    return pUser != nullptr ? QString::fromLocal8Bit(pUser->pw_name) : qEnvironmentVariable("USER");
}

bool IsConnectionFault(const CDaoException& e) {
    const long lCode = e.m_pErrorInfo->m_lErrorCode;
    return lCode == dbErrConnectionLost || lCode == dbErrConnectFailed;
}

void CreateTable(CDaoDatabase& database, const QString& strName, const FieldDef* pBegin,
                 const FieldDef* pEnd) {
    CDaoTableDef tableDef(&database);
    tableDef.Create(strName);
    for (const FieldDef* pField = pBegin; pField != pEnd; ++pField)
        tableDef.CreateField(QLatin1String(pField->pName), pField->nType, pField->lSize,
                             pField->lAttributes);
    CDaoIndexInfo key;
    // A server names indexes once per database; the address table's key is
    // "PrimaryKey".
    key.m_strName = strName + QStringLiteral("_PrimaryKey");
    key.m_fieldInfos = {CDaoIndexFieldInfo{QLatin1String(pBegin->pName), false}};
    key.m_bPrimary = true;
    key.m_bUnique = true;
    key.m_bRequired = true;
    tableDef.CreateIndex(key);
    tableDef.Append();
}

} // namespace

CTeamSendLog::CTeamSendLog(CDaoDatabase& database, const QString& strCsvPath, int nLeaseSeconds,
                           Clock clock, Pause pause)
    : m_database(database), m_csv(strCsvPath), m_nLeaseSeconds(nLeaseSeconds),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); })),
      m_pause(pause ? std::move(pause)
                    : Pause([](int nMilliseconds) { QThread::msleep(nMilliseconds); })),
      m_strOwner(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_strMachine(QSysInfo::machineHostName()), m_strUser(UserName()) {
    CreateTables();
}

CTeamSendLog::CTeamSendLog(std::unique_ptr<CDaoDatabase> pDatabase, const QString& strCsvPath)
    : CTeamSendLog(*pDatabase, strCsvPath) {
    m_pOwnDatabase = std::move(pDatabase);
}

CTeamSendLog::~CTeamSendLog() = default;

std::unique_ptr<CTeamSendLog> CTeamSendLog::Connect(const QString& strUrl,
                                                    const QString& strPassword,
                                                    const QString& strCsvPath) {
    auto pDatabase = std::make_unique<CDaoDatabase>();
    pDatabase->OpenServer(strUrl, strPassword);
    return std::unique_ptr<CTeamSendLog>(new CTeamSendLog(std::move(pDatabase), strCsvPath));
}

// Two runs that start together may both find a table missing; the one that
// loses the race to create it finds it there.
void CTeamSendLog::CreateTables() {
    const auto create = [this](const QString& strName, const FieldDef* pBegin,
                               const FieldDef* pEnd) {
        if (m_database.HasTable(strName))
            return;
        try {
            CreateTable(m_database, strName, pBegin, pEnd);
        } catch (const CDaoException&) {
            if (!m_database.HasTable(strName))
                throw;
        }
    };
    create(kLogTable, std::begin(kLogFields), std::end(kLogFields));
    create(kClaimTable, std::begin(kClaimFields), std::end(kClaimFields));
}

bool CTeamSendLog::Append(const CSendLogEntry& entry) {
    for (int nTry = 1;; ++nTry) {
        try {
            AppendToDatabase(entry);
            break;
        } catch (const CDaoException& e) {
            m_strError = e.m_pErrorInfo->m_strDescription;
            if (!IsConnectionFault(e) || nTry == kRecordTries)
                return false;
        }
        m_pause(kRecordPauseMs);
    }
    if (!m_csv.Append(entry)) {
        m_strError = m_csv.ErrorText();
        return false;
    }
    return true;
}

void CTeamSendLog::AppendToDatabase(const CSendLogEntry& entry) {
    CDaoTransaction transaction(m_database, CDaoTransaction::Immediate);
    InsertAttempt(entry);
    const QString strKey = MailKey(entry);
    if (entry.result == CSendLogEntry::Result::Sent) {
        MarkSent(strKey);
    } else if (entry.result == CSendLogEntry::Result::Failed) {
        CDaoStatement renew = m_database.Prepare(
            QStringLiteral("UPDATE SENDCLAIMS SET Until = ? WHERE MailKey = ? AND Owner = ? AND "
                           "State = '%1'")
                .arg(QLatin1String(kClaimed)),
            true);
        renew.Bind(1, LeaseEnd());
        renew.Bind(2, strKey);
        renew.Bind(3, m_strOwner);
        renew.Step();
    }
    transaction.Commit();
}

void CTeamSendLog::InsertAttempt(const CSendLogEntry& entry) {
    CDaoStatement insert = m_database.Prepare(
        QStringLiteral("INSERT INTO SENDLOG (Time, EMail, Name, Template, Subject, Result, Error, "
                       "ServerText, MessageID, Machine, UserName) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        true);
    const QList<QVariant> values = {UtcText(entry.time.isValid() ? entry.time : m_clock()),
                                    TextOrNull(entry.strEMail),
                                    TextOrNull(entry.strName),
                                    TextOrNull(entry.strTemplate),
                                    TextOrNull(entry.strSubject),
                                    CSendLog::ResultText(entry.result),
                                    entry.nError,
                                    TextOrNull(entry.strMessage),
                                    TextOrNull(entry.strMessageId),
                                    TextOrNull(m_strMachine),
                                    TextOrNull(m_strUser)};
    for (int i = 0; i < values.size(); ++i)
        insert.Bind(i + 1, values[i]);
    insert.Step();
}

// Whoever held the claim, the mail went out: it stays taken for good. A mail
// sent without a claim (a single mail) is taken from now on as well.
void CTeamSendLog::MarkSent(const QString& strKey) {
    CDaoStatement mark =
        m_database.Prepare(QStringLiteral("UPDATE SENDCLAIMS SET State = '%1' WHERE MailKey = ?")
                               .arg(QLatin1String(kSent)),
                           true);
    mark.Bind(1, strKey);
    mark.Step();
    if (m_database.GetRecordsAffected() == 0) {
        WriteClaim(strKey, true);
        MarkSent(strKey);
    }
}

CSentLookup CTeamSendLog::Sent() const {
    CDaoStatement select = m_database.Prepare(
        QStringLiteral("SELECT EMail, Template, Subject FROM SENDLOG WHERE Result = '%1'")
            .arg(CSendLog::ResultText(CSendLogEntry::Result::Sent)),
        false);
    QList<CSendLogEntry> entries;
    while (select.Step()) {
        CSendLogEntry entry;
        entry.strEMail = select.Column(0).toString();
        entry.strTemplate = select.Column(1).toString();
        entry.strSubject = select.Column(2).toString();
        entries.append(entry);
    }
    return CSentLookup(entries);
}

CTeamSendLog::ClaimResult CTeamSendLog::Claim(const CSendLogEntry& entry) {
    try {
        return TryClaim(MailKey(entry));
    } catch (const CDaoException& e) {
        m_strError = e.m_pErrorInfo->m_strDescription;
        return ClaimResult::Failed;
    }
}

// The claim is read and written under the database's write lock, so that
// of two runs asking at once, one sees the other's claim.
CTeamSendLog::ClaimResult CTeamSendLog::TryClaim(const QString& strKey) {
    CDaoTransaction transaction(m_database, CDaoTransaction::Immediate);
    bool bNew = true;
    {
        CDaoStatement find = m_database.Prepare(
            QStringLiteral("SELECT Owner, Until, State FROM SENDCLAIMS WHERE MailKey = ?"), true);
        find.Bind(1, strKey);
        if (find.Step()) {
            const bool bSent = find.Column(2).toString() == QLatin1String(kSent);
            const bool bOurs = find.Column(0).toString() == m_strOwner;
            const bool bLive = FromUtcText(find.Column(1).toString()) > m_clock();
            if (bSent || (!bOurs && bLive))
                return ClaimResult::Taken;
            bNew = false;
        }
    }
    WriteClaim(strKey, bNew);
    transaction.Commit();
    return ClaimResult::Granted;
}

void CTeamSendLog::WriteClaim(const QString& strKey, bool bNew) {
    CDaoStatement write = m_database.Prepare(
        bNew ? QStringLiteral("INSERT INTO SENDCLAIMS (Owner, Machine, UserName, Until, State, "
                              "MailKey) VALUES (?, ?, ?, ?, '%1', ?)")
                   .arg(QLatin1String(kClaimed))
             : QStringLiteral("UPDATE SENDCLAIMS SET Owner = ?, Machine = ?, UserName = ?, "
                              "Until = ?, State = '%1' WHERE MailKey = ?")
                   .arg(QLatin1String(kClaimed)),
        true);
    const QList<QVariant> values = {m_strOwner, TextOrNull(m_strMachine), TextOrNull(m_strUser),
                                    LeaseEnd(), strKey};
    for (int i = 0; i < values.size(); ++i)
        write.Bind(i + 1, values[i]);
    write.Step();
}

bool CTeamSendLog::ReleaseClaims() {
    try {
        CDaoStatement release = m_database.Prepare(
            QStringLiteral("DELETE FROM SENDCLAIMS WHERE Owner = ? AND State = '%1'")
                .arg(QLatin1String(kClaimed)),
            false);
        release.Bind(1, m_strOwner);
        release.Step();
        return true;
    } catch (const CDaoException& e) {
        m_strError = e.m_pErrorInfo->m_strDescription;
        return false;
    }
}

QString CTeamSendLog::Where() const {
    return QStringLiteral("%1 (%2)").arg(m_database.GetName(), kLogTable);
}

QString CTeamSendLog::LeaseEnd() const {
    return UtcText(m_clock().addSecs(m_nLeaseSeconds));
}

// A key of fixed length, whatever the length of the subject and template.
QString CTeamSendLog::MailKey(const CSendLogEntry& entry) {
    const QString strKey = CSentLookup::Key(entry.strEMail, entry.strTemplate, entry.strSubject);
    return QString::fromLatin1(
        QCryptographicHash::hash(strKey.toUtf8(), QCryptographicHash::Sha256).toHex());
}
