#include "app/CHelpWindow.h"

#include "res/CResources.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* pParent)
    : QDialog(pParent, Qt::Window), m_pBrowser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("CHelpWindow"));
    setWindowTitle(QStringLiteral("Corvane Help"));
    m_pBrowser->setObjectName(QStringLiteral("helpBrowser"));
    m_pBrowser->setOpenExternalLinks(true);

    auto* pBack = new QPushButton(QStringLiteral("&Back"), this);
    pBack->setObjectName(QStringLiteral("buttonBack"));
    auto* pForward = new QPushButton(QStringLiteral("&Forward"), this);
    pForward->setObjectName(QStringLiteral("buttonForward"));
    auto* pContents = new QPushButton(QStringLiteral("&Contents"), this);
    pContents->setObjectName(QStringLiteral("buttonContents"));
    pBack->setEnabled(false);
    pForward->setEnabled(false);
    connect(pBack, &QPushButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(pForward, &QPushButton::clicked, m_pBrowser, &QTextBrowser::forward);
    connect(pContents, &QPushButton::clicked, m_pBrowser, &QTextBrowser::home);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, pBack, &QPushButton::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, pForward, &QPushButton::setEnabled);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(pBack);
    pButtons->addWidget(pForward);
    pButtons->addWidget(pContents);
    pButtons->addStretch(1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pButtons);
    pLayout->addWidget(m_pBrowser, 1);
    resize(640, 560);
}

CHelpWindow::~CHelpWindow() = default;

void CHelpWindow::ShowPage(const QString& strPage) {
    if (m_pBrowser->source().isEmpty())
        m_pBrowser->setSource(QUrl(CResources::HelpPage(QStringLiteral("index.html"))));
    m_pBrowser->setSource(QUrl(CResources::HelpPage(strPage)));
    show();
    raise();
    activateWindow();
}
