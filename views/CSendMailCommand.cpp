#include "views/CSendMailCommand.h"

#include "engine/send/CCsvRunLog.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CSendCheck.h"
#include "merge/MailRowOf.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_SendCheck.h"
#include "views/CSendRun.h"
#include "views/Globals.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QWidget>

CSendRun* CSendMailCommand::Run(CAddressDatabase& db, CMDIFrameWnd* pFrame, CListCtrl& list,
                                const QList<int>& items, QWidget* pView) {
    const QString strLogPath = LogPath(db);
    QList<CMailRow> rows;
    rows.reserve(items.size());
    for (int nItem : items)
        rows << MailRowOf(list, nItem);
    CSendCheck check(g_strStartDir, CCsvRunLog(strLogPath).Sent());
    const auto checkRows = [&](const QString& strTemplate) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        check.SetTemplate(strTemplate);
        QList<CCheckedRow> checked;
        checked.reserve(rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            checked << check.Check(items[i], rows[i]);
        return checked;
    };
    const QStringList arrTemplates = CSendCheck::FolderTemplates(g_strStartDir);
    const int nMaxPerMinute = CRateLimiter::MaxPerMinuteSetting();
    CDia_SendCheck dialog(pView, arrTemplates, CSendCheck::DefaultTemplate(rows, arrTemplates),
                          checkRows, RouteText(), SenderText(), nMaxPerMinute);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    const QList<CPlannedRow> plan = CSendCheck::Plan(dialog.CheckedRows(), dialog.GetChoices());
    if (dialog.IsTestFirst() && !SendTest(db, plan))
        return nullptr;

    auto* pRun = new CSendRun(pView, db, pFrame, plan, strLogPath, nMaxPerMinute);
    for (QWidget* pWidget = pView; pWidget != nullptr; pWidget = pWidget->parentWidget()) {
        if (qobject_cast<CMDIChildWnd*>(pWidget) != nullptr)
            pRun->GuardClose(pWidget);
    }
    if (pFrame != nullptr)
        pRun->GuardClose(pFrame);
    pRun->Start();
    return pRun;
}

QString CSendMailCommand::LogPath(const CAddressDatabase& db) {
    return CSendLog::PathBeside(QDir(g_strStartDir).absoluteFilePath(db.m_schema.m_strFile));
}

QString CSendMailCommand::RouteText() {
    const QString strTransport = CProfileSettings::GetProfileString(
        CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyTransport);
    if (strTransport.compare(CProfileSettings::kTransportOutbox, Qt::CaseInsensitive) == 0)
        return QStringLiteral("the outbox folder %1")
            .arg(CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                                    CProfileSettings::kKeyOutbox));
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                              CProfileSettings::kKeyServer);
}

QString CSendMailCommand::SenderText() {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                              CProfileSettings::kKeySender);
}

// The address of "Name <address>", or the whole text when it is a bare address.
QString CSendMailCommand::SenderAddress() {
    static const QRegularExpression angle(QStringLiteral("<([^<>]*)>"));
    const QString strSender = SenderText();
    const QRegularExpressionMatch match = angle.match(strSender);
    return (match.hasMatch() ? match.captured(1) : strSender).trimmed();
}

// The first row that will be sent goes to the sender, its subject marked; its
// messages show as boxes, as for any single mail.
bool CSendMailCommand::SendTest(CAddressDatabase& db, const QList<CPlannedRow>& plan) {
    const auto first = std::find_if(plan.begin(), plan.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::None && row.mail.bTemplateOpened;
    });
    if (first == plan.end())
        return true;
    const QString strSender = SenderAddress();
    const CMergedMail& mail = first->mail.mail;
    QDir::setCurrent(g_strStartDir);
    if (!db.SendMapiMail(QString(), strSender, QStringLiteral("[Test] ") + mail.m_strSubject,
                         mail.m_strBody, mail.m_strAttachments))
        return false;
    return AfxMessageBox(
               QStringLiteral("The test mail went to %1. Send the mails now?").arg(strSender),
               MB_YESNO) == IDYES;
}
