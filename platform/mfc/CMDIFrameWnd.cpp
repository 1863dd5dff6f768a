#include "platform/mfc/CMDIFrameWnd.h"

#include "platform/mfc/AfxRes.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CKeyIndicators.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "platform/mfc/CMultiDocTemplate.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/mfc/CView.h"
#include "platform/mfc/CWinApp.h"
#include "platform/ui/EngineErrorGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTimerEvent>
#include <QToolBar>
#include <exception>

namespace {

// How often the idle update refreshes command states, title and indicators.
constexpr int kIdleUpdateMs = 200;

} // namespace

CMDIFrameWnd::CMDIFrameWnd(unsigned nIDResource, QWidget* pParent)
    : QMainWindow(pParent), m_nIDResource(nIDResource), m_pMdiArea(new QMdiArea(this)) {
    m_pMdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMDIFrameWnd::OnChildActivated);
    m_idleUpdate.setInterval(kIdleUpdateMs);
    connect(&m_idleUpdate, &QTimer::timeout, this, &CMDIFrameWnd::OnIdle);
    m_idleUpdate.start();
    QCoreApplication::instance()->installEventFilter(this);

    ON_COMMAND(ID_VIEW_TOOLBAR, &CMDIFrameWnd::OnViewToolBar);
    ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, &CMDIFrameWnd::OnUpdateControlBarMenu);
    ON_COMMAND(ID_VIEW_STATUS_BAR, &CMDIFrameWnd::OnViewStatusBar);
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, &CMDIFrameWnd::OnUpdateControlBarMenu);
    ON_COMMAND(ID_WINDOW_NEW, &CMDIFrameWnd::OnWindowNew);
    ON_UPDATE_COMMAND_UI(ID_WINDOW_NEW, &CMDIFrameWnd::OnUpdateMDIWindowCmd);
    ON_COMMAND(ID_WINDOW_CASCADE, &CMDIFrameWnd::OnWindowCascade);
    ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, &CMDIFrameWnd::OnUpdateMDIWindowCmd);
    ON_COMMAND(ID_WINDOW_TILE_HORZ, &CMDIFrameWnd::OnWindowTile);
    ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, &CMDIFrameWnd::OnUpdateMDIWindowCmd);
    ON_COMMAND(ID_WINDOW_ARRANGE, &CMDIFrameWnd::OnWindowArrange);
    ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, &CMDIFrameWnd::OnUpdateMDIWindowCmd);
}

// The child windows go first: their views may still reach this frame.
CMDIFrameWnd::~CMDIFrameWnd() {
    DestroyChildFrames();
}

void CMDIFrameWnd::DestroyChildFrames() {
    m_idleUpdate.stop();
    qDeleteAll(m_pMdiArea->subWindowList());
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
    return qobject_cast<CMDIChildWnd*>(m_pMdiArea->currentSubWindow());
}

QList<CMDIChildWnd*> CMDIFrameWnd::GetChildFrames() const {
    QList<CMDIChildWnd*> frames;
    for (QMdiSubWindow* pWindow : m_pMdiArea->subWindowList()) {
        if (auto* pFrame = qobject_cast<CMDIChildWnd*>(pWindow))
            frames.append(pFrame);
    }
    return frames;
}

CView* CMDIFrameWnd::GetActiveView() const {
    CMDIChildWnd* pFrame = MDIGetActive();
    return pFrame ? pFrame->GetActiveView() : nullptr;
}

CDocument* CMDIFrameWnd::GetActiveDocument() const {
    CMDIChildWnd* pFrame = MDIGetActive();
    return pFrame ? pFrame->GetActiveDocument() : nullptr;
}

// New windows take the larger part of the client area, as MDI children do,
// and open wholly inside it: the area places them with their final size, and
// a window it places partly outside is moved in.
void CMDIFrameWnd::AddChildFrame(CMDIChildWnd* pFrame) {
    const QSize area = m_pMdiArea->viewport()->size();
    QSize size(qMax(400, area.width() * 3 / 4), qMax(300, area.height() * 3 / 4));
    // A hidden area has no size of its own yet; it places the window when shown.
    if (m_pMdiArea->isVisible())
        size = size.boundedTo(area);
    pFrame->resize(size);
    m_pMdiArea->addSubWindow(pFrame);
    connect(pFrame, &QWidget::windowTitleChanged, this, &CMDIFrameWnd::OnUpdateFrameTitle);
    if (m_pMdiArea->isVisible())
        pFrame->move(qBound(0, pFrame->x(), area.width() - pFrame->width()),
                     qBound(0, pFrame->y(), area.height() - pFrame->height()));
}

void CMDIFrameWnd::RegisterCommand(unsigned nID, QAction* pAction) {
    if (!m_actions.contains(nID))
        m_commandOrder.append(nID);
    m_actions.insert(nID, pAction);
    addAction(pAction); // its shortcut works while no menu shows it
    connect(pAction, &QAction::triggered, this, [this, nID] { ExecuteCommand(nID); });
}

QAction* CMDIFrameWnd::GetCommandAction(unsigned nID) const {
    return m_actions.value(nID);
}

bool CMDIFrameWnd::RouteCmdMsg(unsigned nID, CCmdUI* pCmdUI) {
    if (CMDIChildWnd* pFrame = MDIGetActive();
        pFrame != nullptr && pFrame->RouteCmdMsg(nID, pCmdUI))
        return true;
    if (OnCmdMsg(nID, pCmdUI))
        return true;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, pCmdUI);
}

// An update handler that fails leaves its command disabled, without a box on
// every idle tick.
bool CMDIFrameWnd::IsCommandEnabled(unsigned nID) {
    CCmdUI cmdUI(nID);
    try {
        return RouteCmdMsg(nID, &cmdUI) && cmdUI.IsEnabled();
    } catch (const std::exception&) {
        return false;
    }
}

void CMDIFrameWnd::ExecuteCommand(unsigned nID) {
    if (IsCommandEnabled(nID))
        CallGuarded([this, nID] { RouteCmdMsg(nID, nullptr); });
    UpdateCommandUI();
}

void CMDIFrameWnd::UpdateCommandUI() {
    for (unsigned nID : std::as_const(m_commandOrder)) {
        QAction* pAction = m_actions.value(nID);
        CCmdUI cmdUI(nID);
        bool bHandled = false;
        try {
            bHandled = RouteCmdMsg(nID, &cmdUI);
        } catch (const std::exception&) {
            bHandled = false;
        }
        pAction->setEnabled(bHandled && cmdUI.IsEnabled());
        if (pAction->isCheckable())
            pAction->setChecked(bHandled && cmdUI.GetCheck() != 0);
    }
}

void CMDIFrameWnd::CallGuarded(const std::function<void()>& function) {
    EngineErrorGuard(function);
}

void CMDIFrameWnd::SetMenuBar(unsigned nIDResource, const QList<QMenu*>& menus,
                              const QHash<unsigned, QString>& itemTexts) {
    m_menuBars.insert(nIDResource, menus);
    m_menuItemTexts.insert(nIDResource, itemTexts);
    for (QMenu* pMenu : menus) {
        connect(pMenu, &QMenu::aboutToShow, this, &CMDIFrameWnd::UpdateCommandUI);
        if (IsWindowMenu(pMenu))
            connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { OnUpdateWindowList(pMenu); });
    }
    if (nIDResource == m_nIDResource && m_nShownMenuBar == 0)
        ShowMenuBar(nIDResource);
}

void CMDIFrameWnd::ShowMenuBar(unsigned nIDResource) {
    if (nIDResource == m_nShownMenuBar || !m_menuBars.contains(nIDResource))
        return;
    menuBar()->clear();
    for (QMenu* pMenu : m_menuBars.value(nIDResource))
        menuBar()->addMenu(pMenu);
    const QHash<unsigned, QString> itemTexts = m_menuItemTexts.value(nIDResource);
    for (auto it = itemTexts.constBegin(); it != itemTexts.constEnd(); ++it) {
        if (QAction* pAction = m_actions.value(it.key()))
            pAction->setText(it.value());
    }
    m_nShownMenuBar = nIDResource;
}

void CMDIFrameWnd::SetStatusBar(CStatusBar* pStatusBar) {
    m_pStatusBar = pStatusBar;
    setStatusBar(pStatusBar);
}

void CMDIFrameWnd::SetMessageText(const QString& strText) {
    if (m_pStatusBar != nullptr)
        m_pStatusBar->SetPaneText(0, strText);
}

void CMDIFrameWnd::SetTitle(const QString& strTitle) {
    m_strTitle = strTitle;
    OnUpdateFrameTitle();
}

void CMDIFrameWnd::SetTimer(unsigned nIDEvent, int nElapse) {
    m_timers.SetTimer(nIDEvent, nElapse, this);
}

bool CMDIFrameWnd::KillTimer(unsigned nIDEvent) {
    return m_timers.KillTimer(nIDEvent);
}

void CMDIFrameWnd::OnTimer(unsigned) {}

void CMDIFrameWnd::OnViewToolBar() {
    if (QWidget* pBar = ControlBarOf(ID_VIEW_TOOLBAR))
        pBar->setVisible(!pBar->isVisible());
}

void CMDIFrameWnd::OnViewStatusBar() {
    if (QWidget* pBar = ControlBarOf(ID_VIEW_STATUS_BAR))
        pBar->setVisible(!pBar->isVisible());
}

void CMDIFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    QWidget* pBar = ControlBarOf(pCmdUI->m_nID);
    pCmdUI->Enable(pBar != nullptr);
    pCmdUI->SetCheck(pBar != nullptr && !pBar->isHidden());
}

void CMDIFrameWnd::OnWindowNew() {
    CMDIChildWnd* pFrame = MDIGetActive();
    if (pFrame != nullptr && pFrame->GetDocTemplate() != nullptr)
        pFrame->GetDocTemplate()->CreateNewFrame(pFrame->GetActiveDocument(), true);
}

void CMDIFrameWnd::OnWindowCascade() {
    m_pMdiArea->cascadeSubWindows();
}

void CMDIFrameWnd::OnWindowTile() {
    m_pMdiArea->tileSubWindows();
}

// Minimised windows line up along the bottom edge, left to right.
void CMDIFrameWnd::OnWindowArrange() {
    int nLeft = 0;
    const int nBottom = m_pMdiArea->viewport()->height();
    for (QMdiSubWindow* pWindow : m_pMdiArea->subWindowList()) {
        if (!pWindow->isMinimized())
            continue;
        pWindow->move(nLeft, nBottom - pWindow->height());
        nLeft += pWindow->width();
    }
}

// The Window menu is the one that holds the window-arranging commands.
bool CMDIFrameWnd::IsWindowMenu(const QMenu* pMenu) const {
    for (unsigned nID :
         {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE}) {
        if (QAction* pAction = m_actions.value(nID); pAction && pMenu->actions().contains(pAction))
            return true;
    }
    return false;
}

// Below a line, one item per open window in the order they were opened,
// numbered, the active one checked; choosing one brings it to the front.
void CMDIFrameWnd::OnUpdateWindowList(QMenu* pMenu) {
    qDeleteAll(m_windowListItems.take(pMenu));
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    QList<QAction*> items{pMenu->addSeparator()};
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const QPointer<QMdiSubWindow> pWindow = windows[i];
        // An ampersand of the title is shown as itself, not as a mnemonic.
        QString strTitle = pWindow->windowTitle();
        strTitle.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString strNumber = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
        QAction* pItem = pMenu->addAction(strNumber + QLatin1Char(' ') + strTitle);
        pItem->setStatusTip(QStringLiteral("Activate this window"));
        pItem->setCheckable(true);
        pItem->setChecked(pWindow == m_pMdiArea->currentSubWindow());
        connect(pItem, &QAction::triggered, this, [this, pWindow] {
            if (pWindow)
                m_pMdiArea->setActiveSubWindow(pWindow);
        });
        items.append(pItem);
    }
    m_windowListItems.insert(pMenu, items);
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) {
    pCmdUI->Enable(MDIGetActive() != nullptr);
}

// The shortcut of a disabled action does not fire, so the command states are
// refreshed right before a key is matched against the shortcuts, not only on
// the next idle tick: a key pressed just as its command becomes usable works.
bool CMDIFrameWnd::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::ShortcutOverride)
        UpdateCommandUI();
    return QMainWindow::eventFilter(pWatched, pEvent);
}

bool CMDIFrameWnd::event(QEvent* pEvent) {
    if (pEvent->type() == QEvent::StatusTip) {
        const QString strTip = static_cast<QStatusTipEvent*>(pEvent)->tip();
        SetMessageText(strTip.isEmpty() ? m_strIdleText : strTip);
        return true;
    }
    return QMainWindow::event(pEvent);
}

void CMDIFrameWnd::timerEvent(QTimerEvent* pEvent) {
    const unsigned nIDEvent = m_timers.IdOf(pEvent->timerId());
    if (nIDEvent == 0) {
        QMainWindow::timerEvent(pEvent);
        return;
    }
    CallGuarded([this, nIDEvent] { OnTimer(nIDEvent); });
}

void CMDIFrameWnd::OnChildActivated() {
    OnUpdateFrameMenu();
    OnUpdateFrameTitle();
    UpdateCommandUI();
}

void CMDIFrameWnd::OnIdle() {
    OnUpdateFrameMenu();
    OnUpdateFrameTitle();
    UpdateCommandUI();
    OnUpdateKeyIndicators();
}

void CMDIFrameWnd::OnUpdateFrameMenu() {
    CMDIChildWnd* pFrame = MDIGetActive();
    if (pFrame == nullptr)
        ShowMenuBar(m_nIDResource);
    else if (pFrame->GetDocTemplate() != nullptr)
        ShowMenuBar(pFrame->GetDocTemplate()->GetResourceID());
}

void CMDIFrameWnd::OnUpdateFrameTitle() {
    CDocument* pDocument = GetActiveDocument();
    const QString strTitle =
        pDocument ? m_strTitle + QStringLiteral(" - ") + pDocument->GetTitle() : m_strTitle;
    if (windowTitle() != strTitle)
        setWindowTitle(strTitle);
}

void CMDIFrameWnd::OnUpdateKeyIndicators() {
    if (m_pStatusBar == nullptr)
        return;
    const CKeyIndicators indicators = CKeyIndicators::Read();
    const auto show = [this](unsigned nID, bool bOn) {
        const int nIndex = m_pStatusBar->CommandToIndex(nID);
        if (nIndex >= 0)
            m_pStatusBar->SetIndicator(nIndex, bOn);
    };
    show(ID_INDICATOR_CAPS, indicators.bCapsLock);
    show(ID_INDICATOR_NUM, indicators.bNumLock);
    show(ID_INDICATOR_SCRL, indicators.bScrollLock);
}

QWidget* CMDIFrameWnd::ControlBarOf(unsigned nID) const {
    if (nID == ID_VIEW_STATUS_BAR)
        return m_pStatusBar;
    if (nID == ID_VIEW_TOOLBAR)
        return findChild<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    return nullptr;
}
