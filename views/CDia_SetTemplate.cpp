#include "views/CDia_SetTemplate.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDia_SetTemplate::CDia_SetTemplate(const QStringList& templates, int nAddresses, QWidget* pParent)
    : QDialog(pParent) {
    setObjectName(QStringLiteral("CDia_SetTemplate"));
    setWindowTitle(QStringLiteral("Set Template"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pLabel = new QLabel(
        nAddresses == 1 ? QStringLiteral("The &template of the selected address:")
                        : QStringLiteral("The &template of the %1 selected addresses:").arg(nAddresses),
        this);
    pLayout->addWidget(pLabel);
    m_comboTemplate = new QComboBox(this);
    m_comboTemplate->setObjectName(QStringLiteral("comboTemplate"));
    m_comboTemplate->addItems(templates);
    pLabel->setBuddy(m_comboTemplate);
    pLayout->addWidget(m_comboTemplate);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("buttonOK"));
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("buttonCancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);
}

QString CDia_SetTemplate::Template() const {
    return m_comboTemplate->currentText();
}
