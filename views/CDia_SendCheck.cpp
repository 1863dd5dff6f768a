#include "views/CDia_SendCheck.h"

#include "engine/send/CRateLimiter.h"
#include "engine/send/CSendCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

CDia_SendCheck::CDia_SendCheck(QWidget* pParent, const QStringList& arrTemplates,
                               const QString& strDefaultTemplate, Checker check,
                               const QString& strRoute, const QString& strSender, int nMaxPerMinute)
    : QDialog(pParent), m_check(std::move(check)), m_strRoute(strRoute), m_strSender(strSender),
      m_nMaxPerMinute(nMaxPerMinute) {
    setObjectName(QStringLiteral("sendCheck"));
    setWindowTitle(QStringLiteral("Send Mail"));
    new QVBoxLayout(this);
    AddTemplateChoice(arrTemplates, strDefaultTemplate);
    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName(QStringLiteral("sendCheckSummary"));
    layout()->addWidget(m_pSummary);
    m_pEnd = new QLabel(this);
    m_pEnd->setObjectName(QStringLiteral("sendCheckEnd"));
    m_pEnd->setVisible(CRateLimiter(m_nMaxPerMinute).IsLimited());
    layout()->addWidget(m_pEnd);
    AddProblems();
    AddWarnings();
    AddChoices(strSender);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pSend = pButtons->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole);
    pSend->setObjectName(QStringLiteral("buttonSend"));
    pSend->setDefault(true);
    pButtons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("buttonCancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->addWidget(pButtons);
    Recheck();
}

// Any template of the folder may stand for every row's own; the stored
// records keep theirs.
void CDia_SendCheck::AddTemplateChoice(const QStringList& arrTemplates, const QString& strDefault) {
    auto* pRow = new QHBoxLayout;
    auto* pLabel = new QLabel(QStringLiteral("&Template of the mails:"), this);
    m_pTemplate = new QComboBox(this);
    m_pTemplate->setObjectName(QStringLiteral("comboMailingTemplate"));
    pLabel->setBuddy(m_pTemplate);
    m_pTemplate->addItem(QStringLiteral("each contact's own"), QString());
    for (const QString& strTemplate : arrTemplates)
        m_pTemplate->addItem(strTemplate, strTemplate);
    m_pTemplate->setCurrentIndex(qMax(0, m_pTemplate->findData(strDefault)));
    connect(m_pTemplate, &QComboBox::currentIndexChanged, this, &CDia_SendCheck::Recheck);
    pRow->addWidget(pLabel);
    pRow->addWidget(m_pTemplate, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(pRow);
}

void CDia_SendCheck::AddProblems() {
    m_pProblems = new QPlainTextEdit(this);
    m_pProblems->setObjectName(QStringLiteral("sendCheckProblems"));
    m_pProblems->setReadOnly(true);
    m_pSkipProblems = new QRadioButton(QStringLiteral("Skip the rows with problems"), this);
    m_pSkipProblems->setObjectName(QStringLiteral("radioSkipProblems"));
    m_pSkipProblems->setChecked(true);
    m_pSendProblems = new QRadioButton(
        QStringLiteral("Send them anyway (without the missing attachments and images)"), this);
    m_pSendProblems->setObjectName(QStringLiteral("radioSendProblems"));
    // A template outside the folder may be any file of the user's: it goes
    // out only when asked for by itself, whatever the other problems' choice.
    m_pSendOutside = new QCheckBox(
        QStringLiteral("Send the rows whose template lies outside the folder too"), this);
    m_pSendOutside->setObjectName(QStringLiteral("checkSendOutside"));
    for (QWidget* pWidget : std::initializer_list<QWidget*>{m_pProblems, m_pSkipProblems,
                                                            m_pSendProblems, m_pSendOutside})
        layout()->addWidget(pWidget);
    for (QAbstractButton* pButton :
         std::initializer_list<QAbstractButton*>{m_pSkipProblems, m_pSendProblems, m_pSendOutside})
        connect(pButton, &QAbstractButton::toggled, this, &CDia_SendCheck::ShowCount);
}

void CDia_SendCheck::AddWarnings() {
    m_pWarningsLabel = new QLabel(
        QStringLiteral("These mails go, but leave a placeholder of the template empty:"), this);
    m_pWarnings = new QPlainTextEdit(this);
    m_pWarnings->setObjectName(QStringLiteral("sendCheckWarnings"));
    m_pWarnings->setReadOnly(true);
    layout()->addWidget(m_pWarningsLabel);
    layout()->addWidget(m_pWarnings);
}

void CDia_SendCheck::AddChoices(const QString& strSender) {
    m_pSkipSent = new QCheckBox(this);
    m_pSkipSent->setObjectName(QStringLiteral("checkSkipSent"));
    connect(m_pSkipSent, &QAbstractButton::toggled, this, &CDia_SendCheck::ShowCount);
    layout()->addWidget(m_pSkipSent);
    m_pTestFirst = new QCheckBox(
        QStringLiteral("First send the first row's mail to %1 as a test").arg(strSender), this);
    m_pTestFirst->setObjectName(QStringLiteral("checkTestFirst"));
    layout()->addWidget(m_pTestFirst);
}

void CDia_SendCheck::Recheck() {
    m_rows = m_check(m_pTemplate->currentData().toString());
    const QString strProblems = CSendCheck::ProblemText(m_rows);
    m_pProblems->setPlainText(strProblems);
    for (QWidget* pWidget :
         std::initializer_list<QWidget*>{m_pProblems, m_pSkipProblems, m_pSendProblems})
        pWidget->setVisible(!strProblems.isEmpty());
    m_pSendOutside->setVisible(
        std::any_of(m_rows.begin(), m_rows.end(), [](const CCheckedRow& row) {
            return row.problems.contains(CRowCheck::Problem::TemplateOutsideFolder);
        }));
    const QString strWarnings = CSendCheck::WarningText(m_rows);
    m_pWarnings->setPlainText(strWarnings);
    m_pWarningsLabel->setVisible(!strWarnings.isEmpty());
    m_pWarnings->setVisible(!strWarnings.isEmpty());
    const auto nSent = std::count_if(m_rows.begin(), m_rows.end(),
                                     [](const CCheckedRow& row) { return row.bAlreadySent; });
    m_pSkipSent->setText(
        QStringLiteral("Skip the %1 rows the send log shows as sent with this template and subject")
            .arg(nSent));
    m_pSkipSent->setChecked(nSent > 0);
    m_pSkipSent->setEnabled(nSent > 0);
    ShowCount();
}

void CDia_SendCheck::ShowCount() {
    const int nMails = CSendCheck::CountToSend(CSendCheck::Plan(m_rows, GetChoices()));
    m_pSummary->setText(
        QStringLiteral("%1 mails through %2 as %3.").arg(nMails).arg(m_strRoute, m_strSender));
    const CRateLimiter limiter(m_nMaxPerMinute);
    m_pEnd->setText(QStringLiteral("At %1 mails a minute the last one goes at about %2.")
                        .arg(m_nMaxPerMinute)
                        .arg(limiter.EndText(nMails)));
}

CSendChoices CDia_SendCheck::GetChoices() const {
    CSendChoices choices;
    choices.bSkipProblems = !m_pSendProblems->isChecked();
    choices.bSkipSent = m_pSkipSent->isChecked();
    choices.bSendOutside = m_pSendOutside->isChecked();
    return choices;
}

bool CDia_SendCheck::IsTestFirst() const {
    return m_pTestFirst->isChecked();
}
