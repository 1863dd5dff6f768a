#include "CAppFixture.h"

#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <QTimer>

CAppFixture::CAppFixture(const std::function<void(const QString&)>& prepare)
    : m_strPreviousDir(QDir::currentPath()) {
    if (!m_dir.isValid() || !QDir::setCurrent(m_dir.path()))
        return;
    if (prepare)
        prepare(m_dir.path());
    m_previousBoxes = SetMessageBoxHandler([this](const MessageBoxCall& call) {
        m_arrBoxes.append(call);
        return (call.nType & MB_YESNO) == MB_YESNO ? IDYES : IDOK;
    });
    m_pApp = std::make_unique<CCorvaneApp>();
    m_bReady = m_pApp->InitInstance() && QTest::qWaitForWindowExposed(Frame());
}

CAppFixture::~CAppFixture() {
    m_pApp.reset();
    SetMessageBoxHandler(m_previousBoxes);
    QDir::setCurrent(m_strPreviousDir);
}

CMainFrame* CAppFixture::Frame() const {
    return m_pApp ? static_cast<CMainFrame*>(m_pApp->m_pMainWnd) : nullptr;
}

void CAppFixture::Command(unsigned nID) {
    Frame()->ExecuteCommand(nID);
}

int CAppFixture::ChildCount() const {
    return static_cast<int>(Frame()->GetMdiArea()->subWindowList().size());
}

QStringList CAppFixture::BoxTexts() const {
    QStringList texts;
    for (const MessageBoxCall& call : m_arrBoxes)
        texts.append(call.strText);
    return texts;
}

void CAppFixture::WhenModal(const QString& strObjectName, std::function<void(QWidget*)> answer) {
    WhenModal([strObjectName](QWidget* pModal) { return pModal->objectName() == strObjectName; },
              std::move(answer));
}

void CAppFixture::WhenModal(std::function<bool(QWidget*)> match,
                            std::function<void(QWidget*)> answer) {
    auto* pPoll = new QTimer(qApp);
    pPoll->setInterval(10);
    QObject::connect(pPoll, &QTimer::timeout, pPoll, [pPoll, match, answer] {
        QPointer<QWidget> pModal = QApplication::activeModalWidget();
        if (pModal == nullptr || !match(pModal))
            return;
        answer(pModal);
        // A dialog that is not ready for its answer yet gets it again.
        if (pModal && pModal->isVisible())
            return;
        pPoll->stop();
        pPoll->deleteLater();
    });
    pPoll->start();
}
