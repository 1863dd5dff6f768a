#include "engine/send/CSendOutcome.h"

#include <QRegularExpression>

namespace {

// Simple MAPI result codes of a send that no other row would escape: the
// logon or TLS failed, the disk is full, the sender or outbox is refused,
// the network failed.
constexpr int kLogonFailure = 3;
constexpr int kDiskFull = 4;
constexpr int kAccessDenied = 6;
constexpr int kNetworkFailure = 23;

// The beginnings of the messages that name a failure for every row.
const QStringList kForAllPrefixes = {
    QStringLiteral("MAPI is not installed"), QStringLiteral("Can not load library"),
    QStringLiteral("Failed to get one of the functions"), QStringLiteral("Can not Logon to MAPI")};
const QString kSendPrefix = QStringLiteral("Can not SendMail");
const QString kTemplatePrefix = QStringLiteral("Can not open a template file");

} // namespace

CSendOutcome::Kind CSendOutcome::KindOf(const QString& strMessage, int* pError) {
    static const QRegularExpression errorNumber(QStringLiteral("Error = (-?\\d+)$"));
    const QRegularExpressionMatch match = errorNumber.match(strMessage);
    if (match.hasMatch())
        *pError = match.captured(1).toInt();
    for (const QString& strPrefix : kForAllPrefixes) {
        if (strMessage.startsWith(strPrefix))
            return Kind::FailedForAll;
    }
    if (strMessage.startsWith(kSendPrefix)) {
        const int nError = match.hasMatch() ? *pError : 0;
        const bool bForAll = nError == kLogonFailure || nError == kDiskFull ||
                             nError == kAccessDenied || nError == kNetworkFailure;
        return bForAll ? Kind::FailedForAll : Kind::FailedForRow;
    }
    if (strMessage.startsWith(kTemplatePrefix))
        return Kind::FailedForRow;
    // An attachment left out or a failed logoff: the mail went out.
    return Kind::Sent;
}

CSendOutcome CSendOutcome::FromMessages(const QStringList& arrMessages) {
    CSendOutcome outcome;
    outcome.m_strMessage = arrMessages.join(u'\n');
    for (const QString& strMessage : arrMessages)
        outcome.m_kind = qMax(outcome.m_kind, KindOf(strMessage, &outcome.m_nError));
    return outcome;
}
