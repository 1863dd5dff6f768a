#include "views/CDia_SendPause.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CDia_SendPause::CDia_SendPause(QWidget* pParent, const QString& strMessage) : QDialog(pParent) {
    setObjectName(QStringLiteral("sendPause"));
    setWindowTitle(QStringLiteral("Sending paused"));
    auto* pText = new QLabel(
        strMessage + QStringLiteral("\n\nThis will fail for every row still to send."), this);
    pText->setObjectName(QStringLiteral("sendPauseText"));
    auto* pButtons = new QDialogButtonBox(this);
    AddButton(pButtons, QStringLiteral("buttonRetry"), QStringLiteral("Retry"), Retry);
    AddButton(pButtons, QStringLiteral("buttonSkipRow"), QStringLiteral("Skip this row"), SkipRow);
    AddButton(pButtons, QStringLiteral("buttonStop"), QStringLiteral("Stop"), Stop);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pText);
    pLayout->addWidget(pButtons);
}

void CDia_SendPause::AddButton(QDialogButtonBox* pButtons, const QString& strName,
                               const QString& strText, Answer answer) {
    QPushButton* pButton = pButtons->addButton(strText, QDialogButtonBox::ActionRole);
    pButton->setObjectName(strName);
    connect(pButton, &QPushButton::clicked, this, [this, answer] {
        m_answer = answer;
        accept();
    });
}

CDia_SendPause::Answer CDia_SendPause::Ask() {
    m_answer = Stop;
    exec();
    return m_answer;
}
