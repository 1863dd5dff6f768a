#include "engine/send/CSendResult.h"

#include "engine/merge/CMailTemplate.h"
#include "engine/merge/ImageProblemText.h"
#include "platform/mapi/SimpleMapi.h"

namespace {

// Without the library's step, the codes that no other row escapes: the logon
// or TLS failed, the disk is full, the sender or outbox is refused, the
// network failed.
bool CodeFailsForEveryRow(int nCode) {
    return nCode == MAPI_E_LOGON_FAILURE || nCode == MAPI_E_DISK_FULL ||
           nCode == MAPI_E_ACCESS_DENIED || nCode == MAPI_E_NETWORK_FAILURE;
}

} // namespace

CSendResult CSendResult::Failed(Stage stage, int nCode) {
    CSendResult result;
    result.stage = stage;
    result.nCode = nCode;
    return result;
}

bool CSendResult::IsAborted() const {
    return (stage == Stage::Logon || stage == Stage::Send) && nCode == int(MAPI_E_USER_ABORT);
}

bool CSendResult::FailsForEveryRow() const {
    if (IsAborted())
        return false;
    switch (stage) {
    case Stage::Sent:
    case Stage::Logoff:
    case Stage::TemplateMissing:
        return false;
    case Stage::NotInstalled:
    case Stage::NotLoaded:
    case Stage::FunctionMissing:
    case Stage::Logon:
        return true;
    case Stage::Send:
        break;
    }
    switch (step) {
    case Step::None:
        return CodeFailsForEveryRow(nCode);
    case Step::Settings:
    case Step::Connect:
    case Step::Tls:
    case Step::Login:
    case Step::Token:
    case Step::Mail:
    case Step::Outbox:
        return true;
    // A server that puts off the message itself puts off the next one too;
    // one that refuses it for good refuses only this one.
    case Step::Data:
    case Step::EndOfData:
        return bTemporary;
    case Step::Rcpt:
    case Step::Message:
        break;
    }
    return false;
}

QStringList CSendResult::Warnings() const {
    QStringList arrWarnings;
    for (const QString& strPath : arrMissingAttachments)
        arrWarnings << MissingAttachmentText(strPath);
    for (const CHtmlMail::Problem& problem : arrImageProblems)
        arrWarnings << ImageProblemText(problem);
    return arrWarnings;
}

QString CSendResult::FailureText() const {
    switch (stage) {
    case Stage::Sent:
        return QString();
    case Stage::TemplateMissing:
        return CMailTemplate::CannotOpenText(strTemplate);
    case Stage::NotInstalled:
        return QStringLiteral("MAPI is not installed on this computer.");
    case Stage::NotLoaded:
        return QStringLiteral("Can not load library MAPI32.DLL");
    case Stage::FunctionMissing:
        return QStringLiteral("Failed to get one of the functions pointer in MAPI32.DLL");
    case Stage::Logon:
        return QStringLiteral("Can not Logon to MAPI, Error = %1").arg(nCode);
    case Stage::Send:
        return QStringLiteral("Can not SendMail, Error = %1").arg(nCode);
    case Stage::Logoff:
        break;
    }
    return QStringLiteral("Can not Logoff from, Error = %1").arg(nCode);
}

QString CSendResult::BoxText() const {
    const QString strFailure = FailureText();
    if (step != Step::Token || strReply.isEmpty() || strFailure.isEmpty())
        return strFailure;
    return strFailure + u'\n' + strReply;
}

QString CSendResult::Text() const {
    QStringList arrLines = Warnings();
    if (const QString strFailure = FailureText(); !strFailure.isEmpty())
        arrLines << strFailure;
    if (!strReply.isEmpty() && !IsSent())
        arrLines << strReply;
    if (IsAborted())
        arrLines << QStringLiteral("Stopped before the server confirmed the mail: not sent.");
    return arrLines.join(u'\n');
}

QString CSendResult::RowText(int nRow, const QString& strEMail) const {
    QString strText = QStringLiteral("Row %1, %2:").arg(nRow).arg(strEMail);
    for (const QString& strLine : Text().split(u'\n'))
        strText += QStringLiteral("\n    ") + strLine;
    return strText;
}

QString CSendResult::MissingAttachmentText(const QString& strPath) {
    return QStringLiteral("Can not find a file: \"%1\".\nIt will not be attached to that Mail.")
        .arg(strPath);
}
