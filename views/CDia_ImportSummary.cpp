#include "views/CDia_ImportSummary.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDia_ImportSummary::CDia_ImportSummary(const QString& strSummary, bool bRefusedRows,
                                       QWidget* pParent)
    : QDialog(pParent) {
    setObjectName(QStringLiteral("CDia_ImportSummary"));
    setWindowTitle(QStringLiteral("Import finished"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pText = new QPlainTextEdit(strSummary, this);
    pText->setObjectName(QStringLiteral("textSummary"));
    pText->setReadOnly(true);
    pLayout->addWidget(pText);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("buttonOK"));
    if (bRefusedRows) {
        QPushButton* pSave = pButtons->addButton(QStringLiteral("Save Refused Rows..."),
                                                 QDialogButtonBox::ActionRole);
        pSave->setObjectName(QStringLiteral("buttonSaveRefused"));
        connect(pSave, &QPushButton::clicked, this, &CDia_ImportSummary::OnSaveRefused);
    }
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    pLayout->addWidget(pButtons);
    resize(560, 360);
}

void CDia_ImportSummary::OnSaveRefused() {
    done(kSaveRefused);
}
