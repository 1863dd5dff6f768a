#include "merge/CMapiLibrary.h"
#include "merge/CMapiMessage.h"
#include "engine/merge/CHtmlMail.h"
#include "engine/merge/CMergedMail.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QFile>

namespace {

// The transport's own failures go to a plain box with no owner and no caption.
void ReportFailure(const QString& strText) {
    MessageBoxA(nullptr, strText, QString(), MB_OK);
}

// The paths of the attachment list that can be opened, in the list's order.
// The list is split at commas, tabs and semicolons (a run of them is one
// split); each path is trimmed, and one that cannot be opened is reported and
// left out, so the mail still goes without it.
QStringList AttachableFiles(const QString& strAttachments) {
    QStringList arrKept;
    for (const QString& strPath : CMergedMail::SplitAttachments(strAttachments)) {
        QFile file(strPath);
        if (!strPath.isEmpty() && file.open(QIODevice::ReadOnly)) {
            arrKept += strPath;
        } else {
            AfxMessageBox(QStringLiteral(
                              "Can not find a file: \"%1\".\nIt will not be attached to that Mail.")
                              .arg(strPath));
        }
    }
    return arrKept;
}

// A formatted mail goes through CorvaneSendHtmlMail, and fails as not
// supported where the library lacks it, rather than going out as text.
ULONG Send(const CMapiLibrary& library, LHANDLE hSession, CMapiMessage& message,
           const CHtmlMail* pHtml) {
    if (!pHtml)
        return library.m_pfnSendMail(hSession, 0, message.Get(), 0, 0);
    if (!library.m_pfnSendHtmlMail)
        return MAPI_E_NOT_SUPPORTED;
    message.SetHtml(*pHtml);
    return library.m_pfnSendHtmlMail(hSession, 0, message.Get(), message.Html(), 0, 0);
}

// The library is loaded for this one mail and unloaded on every way out, also
// after a failed logon, send or logoff; a failed send still closes its logon.
// The Message-ID is asked for while the session that sent the mail is open.
bool SendOneMail(const QString& strName, const QString& strAddress, const QString& strSubject,
                 const QString& strText, const QString& strAttachments, const CHtmlMail* pHtml,
                 QString* pMessageId) {
    if (pMessageId)
        pMessageId->clear();
    const QString strLibrary = CProfileSettings::GetProfileInt(CProfileSettings::kSectionMail,
                                                               CProfileSettings::kKeyMapi, 0) != 0
                                   ? CMapiLibrary::Find()
                                   : QString();
    if (strLibrary.isEmpty()) {
        ReportFailure(QStringLiteral("MAPI is not installed on this computer."));
        return false;
    }
    CMapiLibrary library;
    if (!library.Load(strLibrary)) {
        ReportFailure(QStringLiteral("Can not load library MAPI32.DLL"));
        return false;
    }
    if (!library.ResolveFunctions()) {
        library.Unload();
        ReportFailure(QStringLiteral("Failed to get one of the functions pointer in MAPI32.DLL"));
        return false;
    }

    LHANDLE hSession = 0;
    const ULONG nLogon = library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession);
    if (nLogon != SUCCESS_SUCCESS) {
        ReportFailure(QStringLiteral("Can not Logon to MAPI, Error = %1").arg(nLogon));
        return false;
    }

    CMapiMessage message(strName, strAddress, strSubject, strText, AttachableFiles(strAttachments));
    const ULONG nSend = Send(library, hSession, message, pHtml);
    if (nSend != SUCCESS_SUCCESS) {
        library.m_pfnLogoff(hSession, 0, 0, 0);
        ReportFailure(QStringLiteral("Can not SendMail, Error = %1").arg(nSend));
        return false;
    }
    if (pMessageId)
        *pMessageId = library.SentMessageId(hSession);

    const ULONG nLogoff = library.m_pfnLogoff(hSession, 0, 0, 0);
    if (nLogoff != SUCCESS_SUCCESS) {
        ReportFailure(QStringLiteral("Can not Logoff from, Error = %1").arg(nLogoff));
        return false;
    }
    return true;
}

} // namespace

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments) {
    return SendOneMail(strName, strAddress, strSubject, strText, strAttachments, nullptr, nullptr);
}

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments, QString* pMessageId) {
    return SendOneMail(strName, strAddress, strSubject, strText, strAttachments, nullptr,
                       pMessageId);
}

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments, const CHtmlMail& html,
                                    QString* pMessageId) {
    return SendOneMail(strName, strAddress, strSubject, strText, strAttachments, &html,
                       pMessageId);
}
