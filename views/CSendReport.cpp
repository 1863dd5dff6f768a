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
    m_pText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    pButtons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("buttonClose"));
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pText);
    pLayout->addWidget(pButtons);
    resize(640, 320);
}

void CSendReport::AddRow(const QString& strRowText) {
    m_pText->appendPlainText(strRowText);
}

void CSendReport::AddSummary(const CSendSummary& summary, const QString& strLogWhere) {
    m_pText->appendPlainText(summary.Text(strLogWhere));
}

QString CSendReport::Text() const {
    return m_pText->toPlainText();
}
