#include "views/CDia_Find.h"

#include "views/Globals.h"
#include "platform/ui/MessageBoxes.h"
#include "views/CDialogUnits.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDia_Find::CDia_Find(QWidget* pParent) : QDialog(pParent) {
    setObjectName(QStringLiteral("CDia_Find"));
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));
    setWindowTitle(QStringLiteral("Find records"));
    CreateControls();
}

int CDia_Find::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

// Controls in tab order, at their places in dialog template 131.
void CDia_Find::CreateControls() {
    const CDialogUnits units(font());
    setFixedSize(units.X(275), units.Y(49));

    auto* pGroup = new QGroupBox(this);
    units.Place(pGroup, 7, 7, 197, 35);

    auto* pLabel = new QLabel(QStringLiteral("What to find:"), this);
    pLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    units.Place(pLabel, 17, 24, 49, 8);

    m_editFind = new QLineEdit(this);
    m_editFind->setObjectName(QStringLiteral("editFind"));
    units.Place(m_editFind, 73, 18, 121, 14);
    pLabel->setBuddy(m_editFind);

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName(QStringLiteral("buttonOK"));
    pOk->setDefault(true);
    units.Place(pOk, 218, 7, 50, 14);
    connect(pOk, &QPushButton::clicked, this, &CDia_Find::OnBnClickedOk);

    auto* pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    pCancel->setObjectName(QStringLiteral("buttonCancel"));
    units.Place(pCancel, 218, 28, 50, 14);
    connect(pCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_editFind->setFocus();
}

// The text goes over exactly as typed: quoting it for the query is the
// caller's business, because only the caller knows where it ends up.
void CDia_Find::OnBnClickedOk() {
    g_strFindFilter = m_editFind->text();
    accept();
}
