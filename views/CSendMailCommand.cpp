#include "views/CSendMailCommand.h"

#include "engine/send/CMapiSender.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CSendCheck.h"
#include "engine/send/CSendLog.h"
#include "merge/MailRowOf.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/EngineErrorGuard.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_SendCheck.h"
#include "views/CSendRun.h"
#include "views/Globals.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace {

// How often a cancelled test mail repeats its abort until the mail has ended.
constexpr int kAbortAgainMs = 100;

} // namespace

CSendRun* CSendMailCommand::Run(CAddressDatabase& db, CMDIFrameWnd* pFrame, CListCtrl& list,
                                const QList<int>& items, QWidget* pView) {
    std::unique_ptr<CRunLog> pLog;
    CSentLookup sent({});
    if (!EngineErrorGuard([&] {
            pLog = db.OpenRunLog(LogPath(db));
            sent = pLog->Sent();
        }))
        return nullptr;
    QList<CMailRow> rows;
    rows.reserve(items.size());
    for (int nItem : items)
        rows << MailRowOf(list, nItem);
    CSendCheck check(g_strStartDir, std::move(sent));
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
    if (dialog.IsTestFirst() && !SendTest(pView, plan))
        return nullptr;

    auto* pRun = new CSendRun(pView, db, pFrame, plan, std::move(pLog), nMaxPerMinute);
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
// messages show as boxes, as for any single mail. A test the user cancelled
// shows nothing and sends no mailing.
bool CSendMailCommand::SendTest(QWidget* pParent, const QList<CPlannedRow>& plan) {
    const auto first = std::find_if(plan.begin(), plan.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::None && row.mail.bTemplateOpened;
    });
    if (first == plan.end())
        return true;
    CMergedMail mail = first->mail.mail;
    mail.m_strEMail = SenderAddress();
    mail.m_strSubject = QStringLiteral("[Test] ") + mail.m_strSubject;
    QDir::setCurrent(g_strStartDir);
    const CSendResult result = SendAside(pParent, mail);
    if (result.IsAborted())
        return false;
    CSendRun::ShowBoxes(result);
    if (!result.IsSent())
        return false;
    return AfxMessageBox(
               QStringLiteral("The test mail went to %1. Send the mails now?").arg(mail.m_strEMail),
               MB_YESNO) == IDYES;
}

// The mail goes on a thread of its own, as a run's mails do, so that the
// windows keep painting while the server is slow or silent. The progress is
// modal, so nothing else starts meanwhile; its Cancel ends the mail at once.
// The abort is repeated until the mail has ended, as a run's stop is.
CSendResult CSendMailCommand::SendAside(QWidget* pParent, const CMergedMail& mail) {
    CMapiSender sender;
    CSendResult result;
    const std::unique_ptr<QThread> pThread(QThread::create([&] { result = sender.Send(mail); }));
    QEventLoop loop;
    QObject::connect(pThread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer abortAgain;
    abortAgain.setInterval(kAbortAgainMs);
    QObject::connect(&abortAgain, &QTimer::timeout, &loop, [&sender] { sender.Abort(); });
    QProgressDialog progress(pParent);
    progress.setObjectName(QStringLiteral("sendTestProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setLabelText(QStringLiteral("Sending the test mail to %1 ...").arg(mail.m_strEMail));
    progress.setRange(0, 0);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&sender, &abortAgain] {
        sender.Abort();
        abortAgain.start();
    });
    pThread->start();
    progress.show();
    loop.exec();
    pThread->wait();
    return result;
}
