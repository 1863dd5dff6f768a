#include "views/CDia_SendCheck.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr CRowCheck::Problem kProblems[] = {
    CRowCheck::Problem::TemplateMissing, CRowCheck::Problem::TemplateOutsideFolder,
    CRowCheck::Problem::AttachmentMissing, CRowCheck::Problem::AddressRefused};

bool HasProblem(const QList<CDia_SendCheck::Row>& rows, CRowCheck::Problem problem) {
    return std::any_of(rows.begin(), rows.end(), [problem](const CDia_SendCheck::Row& row) {
        return row.problems.contains(problem);
    });
}

} // namespace

CDia_SendCheck::CDia_SendCheck(QWidget* pParent, const QList<Row>& rows, const QString& strRoute,
                               const QString& strSender)
    : QDialog(pParent) {
    setObjectName(QStringLiteral("sendCheck"));
    setWindowTitle(QStringLiteral("Send Mail"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pSummary = new QLabel(
        QStringLiteral("%1 mails through %2 as %3.").arg(rows.size()).arg(strRoute, strSender),
        this);
    pSummary->setObjectName(QStringLiteral("sendCheckSummary"));
    pLayout->addWidget(pSummary);

    const QString strProblems = ProblemText(rows);
    if (!strProblems.isEmpty()) {
        auto* pProblems = new QPlainTextEdit(strProblems, this);
        pProblems->setObjectName(QStringLiteral("sendCheckProblems"));
        pProblems->setReadOnly(true);
        pLayout->addWidget(pProblems);
        m_pSkipProblems = new QRadioButton(QStringLiteral("Skip the rows with problems"), this);
        m_pSkipProblems->setObjectName(QStringLiteral("radioSkipProblems"));
        m_pSkipProblems->setChecked(true);
        auto* pSendProblems = new QRadioButton(
            QStringLiteral("Send them anyway (without the missing attachments)"), this);
        pSendProblems->setObjectName(QStringLiteral("radioSendProblems"));
        pLayout->addWidget(m_pSkipProblems);
        pLayout->addWidget(pSendProblems);
    }
    // A template outside the folder may be any file of the user's: it goes
    // out only when asked for by itself, whatever the other problems' choice.
    if (HasProblem(rows, CRowCheck::Problem::TemplateOutsideFolder)) {
        m_pSendOutside = new QCheckBox(
            QStringLiteral("Send the rows whose template lies outside the folder too"), this);
        m_pSendOutside->setObjectName(QStringLiteral("checkSendOutside"));
        pLayout->addWidget(m_pSendOutside);
    }

    const auto nSent =
        std::count_if(rows.begin(), rows.end(), [](const Row& row) { return row.bAlreadySent; });
    m_pSkipSent = new QCheckBox(
        QStringLiteral("Skip the %1 rows the send log shows as sent with this template and subject")
            .arg(nSent),
        this);
    m_pSkipSent->setObjectName(QStringLiteral("checkSkipSent"));
    m_pSkipSent->setChecked(nSent > 0);
    m_pSkipSent->setEnabled(nSent > 0);
    pLayout->addWidget(m_pSkipSent);

    m_pTestFirst = new QCheckBox(
        QStringLiteral("First send the first row's mail to %1 as a test").arg(strSender), this);
    m_pTestFirst->setObjectName(QStringLiteral("checkTestFirst"));
    pLayout->addWidget(m_pTestFirst);

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pSend = pButtons->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole);
    pSend->setObjectName(QStringLiteral("buttonSend"));
    pSend->setDefault(true);
    pButtons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("buttonCancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);
}

CDia_SendCheck::Choices CDia_SendCheck::GetChoices() const {
    Choices choices;
    choices.bSkipProblems = m_pSkipProblems == nullptr || m_pSkipProblems->isChecked();
    choices.bSkipSent = m_pSkipSent->isChecked();
    choices.bTestFirst = m_pTestFirst->isChecked();
    choices.bSendOutside = m_pSendOutside != nullptr && m_pSendOutside->isChecked();
    return choices;
}

QString CDia_SendCheck::ProblemTitle(CRowCheck::Problem problem) {
    switch (problem) {
    case CRowCheck::Problem::TemplateMissing:
        return QStringLiteral("The template cannot be opened");
    case CRowCheck::Problem::TemplateOutsideFolder:
        return QStringLiteral("The template lies outside the folder Corvane started in");
    case CRowCheck::Problem::AttachmentMissing:
        return QStringLiteral("An attachment is missing or cannot be read");
    case CRowCheck::Problem::AddressRefused:
        break;
    }
    return QStringLiteral("The mail library refuses the address");
}

// Each kind with its rows, numbered as the table counts them from the top.
QString CDia_SendCheck::ProblemText(const QList<Row>& rows) {
    QStringList arrLines;
    for (CRowCheck::Problem problem : kProblems) {
        QStringList arrRows;
        for (const Row& row : rows) {
            if (row.problems.contains(problem))
                arrRows << QStringLiteral("    row %1: %2 (%3)")
                               .arg(row.mail.nItem + 1)
                               .arg(row.mail.strEMail, row.mail.strTemplate);
        }
        if (arrRows.isEmpty())
            continue;
        arrLines << QStringLiteral("%1 (%2 rows):").arg(ProblemTitle(problem)).arg(arrRows.size());
        arrLines << arrRows;
    }
    return arrLines.join(u'\n');
}
