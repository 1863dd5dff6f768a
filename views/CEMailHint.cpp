#include "views/CEMailHint.h"

#include "engine/send/CRowCheck.h"
#include "engine/text/TrimWhiteSpace.h"

#include <QAction>
#include <QLineEdit>
#include <QStyle>

CEMailHint* CEMailHint::Attach(QLineEdit* pEdit) {
    return new CEMailHint(pEdit);
}

CEMailHint::CEMailHint(QLineEdit* pEdit)
    : QObject(pEdit),
      m_pAction(pEdit->addAction(pEdit->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                 QLineEdit::TrailingPosition)) {
    setObjectName(QStringLiteral("emailHint"));
    m_pAction->setObjectName(QStringLiteral("actionEMailHint"));
    m_pAction->setToolTip(
        QStringLiteral("Mail cannot be sent to this address: the mail library takes one plain "
                       "address (name@example.com) without blanks, names or separators."));
    connect(pEdit, &QLineEdit::textChanged, this, &CEMailHint::Update);
    Update(pEdit->text());
}

bool CEMailHint::IsShown() const {
    return m_pAction->isVisible();
}

// The address is judged as a send trims it; an empty field is not yet one.
void CEMailHint::Update(const QString& strText) {
    const QString strAddress = TrimWhiteSpace(strText);
    m_pAction->setVisible(!strAddress.isEmpty() && !CRowCheck::IsAddressAccepted(strAddress));
}
