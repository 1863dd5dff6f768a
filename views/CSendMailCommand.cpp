#include "views/CSendMailCommand.h"

#include "views/Globals.h"
#include "engine/send/CSentLookup.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CRowMailReader.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QWidget>

CSendRun* CSendMailCommand::Run(CAddressDatabase& db, CMDIFrameWnd* pFrame, CListCtrl& list,
                                const QList<int>& items, QWidget* pView) {
    const QString strLogPath = LogPath(db);
    QList<CDia_SendCheck::Row> checked;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        checked = CheckRows(db, list, items, CSentLookup(CSendLog(strLogPath).Read()));
    }
    CDia_SendCheck dialog(pView, checked, RouteText(),
                          CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                                             CProfileSettings::kKeySender));
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    const CDia_SendCheck::Choices choices = dialog.GetChoices();
    const QList<CSendRun::Row> rows = Plan(checked, choices);
    if (choices.bTestFirst && !SendTest(db, rows))
        return nullptr;

    auto* pRun =
        new CSendRun(pView, db, pFrame, rows, strLogPath, CRateLimiter::MaxPerMinuteSetting());
    for (QWidget* pWidget = pView; pWidget != nullptr; pWidget = pWidget->parentWidget()) {
        if (qobject_cast<CMDIChildWnd*>(pWidget) != nullptr)
            pRun->GuardClose(pWidget);
    }
    if (pFrame != nullptr)
        pRun->GuardClose(pFrame);
    pRun->Start();
    return pRun;
}

QList<CDia_SendCheck::Row> CSendMailCommand::CheckRows(CAddressDatabase& db, CListCtrl& list,
                                                       const QList<int>& items,
                                                       const CSentLookup& sent) {
    QList<CDia_SendCheck::Row> rows;
    for (int nItem : items) {
        CDia_SendCheck::Row row;
        row.mail = CRowMailReader::Read(db, list, nItem);
        row.problems = CRowCheck::Check(row.mail, g_strStartDir);
        row.bAlreadySent =
            row.mail.bTemplateOpened &&
            sent.IsSent(row.mail.strEMail, row.mail.strTemplate, row.mail.strSubject);
        rows << row;
    }
    return rows;
}

QList<CSendRun::Row> CSendMailCommand::Plan(const QList<CDia_SendCheck::Row>& rows,
                                            const CDia_SendCheck::Choices& choices) {
    QList<CSendRun::Row> planned;
    for (const CDia_SendCheck::Row& row : rows) {
        CSendRun::Row next{row.mail, QString()};
        if (choices.bSkipSent && row.bAlreadySent) {
            next.strSkipReason = QStringLiteral("already sent, as the send log shows");
        } else if (IsSkipped(row.problems, choices)) {
            QStringList arrTitles;
            for (CRowCheck::Problem problem : row.problems)
                arrTitles << CDia_SendCheck::ProblemTitle(problem);
            next.strSkipReason = arrTitles.join(QStringLiteral("; "));
        }
        planned << next;
    }
    return planned;
}

bool CSendMailCommand::IsSkipped(const QList<CRowCheck::Problem>& problems,
                                 const CDia_SendCheck::Choices& choices) {
    const bool bOutside = problems.contains(CRowCheck::Problem::TemplateOutsideFolder);
    const bool bOthers = problems.size() > (bOutside ? 1 : 0);
    return (bOutside && !choices.bSendOutside) || (bOthers && choices.bSkipProblems);
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

// The address of "Name <address>", or the whole text when it is a bare address.
QString CSendMailCommand::SenderAddress() {
    static const QRegularExpression angle(QStringLiteral("<([^<>]*)>"));
    const QString strSender = CProfileSettings::GetProfileString(
        CProfileSettings::kSectionMailSystem, CProfileSettings::kKeySender);
    const QRegularExpressionMatch match = angle.match(strSender);
    return (match.hasMatch() ? match.captured(1) : strSender).trimmed();
}

// The first row that will be sent goes to the sender, its subject marked; its
// messages show as boxes, as for any single mail.
bool CSendMailCommand::SendTest(CAddressDatabase& db, const QList<CSendRun::Row>& rows) {
    const auto first = std::find_if(rows.begin(), rows.end(), [](const CSendRun::Row& row) {
        return row.strSkipReason.isEmpty() && row.mail.bTemplateOpened;
    });
    if (first == rows.end())
        return true;
    const QString strSender = SenderAddress();
    QDir::setCurrent(g_strStartDir);
    if (!db.SendMapiMail(QString(), strSender, QStringLiteral("[Test] ") + first->mail.strSubject,
                         first->mail.strBody, first->mail.strAttachments))
        return false;
    return AfxMessageBox(
               QStringLiteral("The test mail went to %1. Send the mails now?").arg(strSender),
               MB_YESNO) == IDYES;
}
