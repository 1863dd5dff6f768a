#include "app/CStartPanel.h"

#include "platform/mfc/CMDIFrameWnd.h"
#include "res/Resource.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

CStartPanel::CStartPanel(CMDIFrameWnd* pFrame)
    : QFrame(pFrame->GetMdiArea()->viewport()), m_pArea(pFrame->GetMdiArea()) {
    setObjectName(QStringLiteral("startPanel"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(24, 20, 24, 20);
    pLayout->setSpacing(16);
    auto* pText = new QLabel(QStringLiteral("Corvane keeps your e-mail contacts and sends each of "
                                            "them a personal mail made from a template."),
                             this);
    pText->setObjectName(QStringLiteral("startText"));
    pLayout->addWidget(pText);
    auto* pButtons = new QHBoxLayout;
    for (unsigned nID :
         {ID_IMPORT_ADDRESSES, ID_ADD_ADDRESS, ID_MAIL_SETTINGS, ID_SAMPLE_TEMPLATE, ID_SHOW_TABLE})
        AddButton(pFrame, nID, pButtons);
    pLayout->addLayout(pButtons);
    m_pArea->viewport()->installEventFilter(this);
    Place();
}

void CStartPanel::AddButton(CMDIFrameWnd* pFrame, unsigned nID, QLayout* pLayout) {
    QAction* pAction = pFrame->GetCommandAction(nID);
    auto* pButton = new QPushButton(pAction->icon(), pAction->text(), this);
    pButton->setObjectName(QStringLiteral("startButton%1").arg(nID));
    pButton->setToolTip(pAction->statusTip());
    pButton->setEnabled(pAction->isEnabled());
    connect(pButton, &QPushButton::clicked, pAction, &QAction::trigger);
    connect(pAction, &QAction::changed, pButton,
            [pButton, pAction] { pButton->setEnabled(pAction->isEnabled()); });
    pLayout->addWidget(pButton);
}

// A child window is in the area's list only once it has been added, and
// stays in it until it is gone: the panel looks once the event is over.
bool CStartPanel::eventFilter(QObject* pWatched, QEvent* pEvent) {
    switch (pEvent->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
        QTimer::singleShot(0, this, &CStartPanel::Place);
        break;
    case QEvent::Resize:
        Place();
        break;
    default:
        break;
    }
    return QFrame::eventFilter(pWatched, pEvent);
}

void CStartPanel::Place() {
    setVisible(m_pArea->subWindowList().isEmpty());
    adjustSize();
    const QSize area = m_pArea->viewport()->size();
    move(qMax(0, (area.width() - width()) / 2), qMax(0, (area.height() - height()) / 3));
}
