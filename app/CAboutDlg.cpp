#include "app/CAboutDlg.h"

#include "res/CResources.h"
#include "res/Resource.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("About Corvane"));

    auto* pIcon = new QLabel(this);
    pIcon->setObjectName(QStringLiteral("aboutIcon"));
    pIcon->setPixmap(CResources::Icon(IDR_MAINFRAME).pixmap(32, 32));

    auto* pVersion = new QLabel(QStringLiteral("Corvane Version 1.0"), this);
    pVersion->setObjectName(QStringLiteral("aboutVersion"));

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOK = pButtons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    pOK->setObjectName(QStringLiteral("buttonOK"));
    pOK->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pIcon, 0, 0, Qt::AlignTop);
    pLayout->addWidget(pVersion, 0, 1);
    pLayout->addWidget(pButtons, 0, 2, Qt::AlignTop);
    pLayout->setColumnStretch(1, 1);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutDlg::~CAboutDlg() = default;
