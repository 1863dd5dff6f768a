#include "views/CSendReport.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSendReport::CSendReport(QWidget* pParent) : QDialog(pParent), m_pText(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("sendReport"));
    setWindowTitle(QStringLiteral("Send Report"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_pText->setObjectName(QStringLiteral("sendReportText"));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    pButtons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("buttonClose"));
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pText);
    pLayout->addWidget(pButtons);
    resize(640, 320);
}

// A row's message may have several lines (a warning, then the failure); each
// goes on a line of its own under the row.
void CSendReport::AddRow(int nRow, const QString& strEMail, const QString& strMessage) {
    m_pText->appendPlainText(QStringLiteral("Row %1, %2:").arg(nRow).arg(strEMail));
    for (const QString& strLine : strMessage.split(u'\n'))
        m_pText->appendPlainText(u"    " + strLine);
}

void CSendReport::AddSummary(int nSent, int nFailed, int nSkipped, const QString& strLogPath) {
    m_pText->appendPlainText(
        QStringLiteral("Sent: %1, failed: %2, skipped: %3. Every attempt is in the send log %4")
            .arg(nSent)
            .arg(nFailed)
            .arg(nSkipped)
            .arg(strLogPath));
}

QString CSendReport::Text() const {
    return m_pText->toPlainText();
}
