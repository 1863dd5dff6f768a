#include "views/CFormattedPreview.h"

#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "engine/merge/ImageProblemText.h"
#include "merge/MailRowOf.h"
#include "views/CMailBrowser.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CFormattedPreview::CFormattedPreview(QWidget* pParent, QList<Page> pages)
    : QDialog(pParent), m_pages(std::move(pages)) {
    setObjectName(QStringLiteral("formattedPreview"));
    setWindowTitle(QStringLiteral("Formatted Mail Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* pFields = new QFormLayout;
    m_pTo = AddValueLabel(QStringLiteral("labelTo"));
    m_pSubject = AddValueLabel(QStringLiteral("labelSubject"));
    m_pAttachments = AddValueLabel(QStringLiteral("labelAttachments"));
    pFields->addRow(QStringLiteral("To:"), m_pTo);
    pFields->addRow(QStringLiteral("Subject:"), m_pSubject);
    pFields->addRow(QStringLiteral("Attachments:"), m_pAttachments);
    m_pProblems = AddValueLabel(QStringLiteral("labelProblems"));
    m_pBrowser = new CMailBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("browserMail"));

    m_pPosition = AddValueLabel(QStringLiteral("labelPosition"));
    m_pPrevious = new QPushButton(QStringLiteral("< &Previous"), this);
    m_pPrevious->setObjectName(QStringLiteral("buttonPrevious"));
    m_pNext = new QPushButton(QStringLiteral("&Next >"), this);
    m_pNext->setObjectName(QStringLiteral("buttonNext"));
    auto* pClose = new QDialogButtonBox(QDialogButtonBox::Close, this);
    pClose->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("buttonClose"));
    connect(m_pPrevious, &QPushButton::clicked, this, [this] { ShowPage(m_nPage - 1); });
    connect(m_pNext, &QPushButton::clicked, this, [this] { ShowPage(m_nPage + 1); });
    connect(pClose, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pPrevious);
    pButtons->addWidget(m_pNext);
    pButtons->addWidget(m_pPosition, 1);
    pButtons->addWidget(pClose);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pFields);
    pLayout->addWidget(m_pProblems);
    pLayout->addWidget(m_pBrowser, 1);
    pLayout->addLayout(pButtons);
    resize(720, 600);
    ShowPage(0);
}

QLabel* CFormattedPreview::AddValueLabel(const QString& strObjectName) {
    auto* pLabel = new QLabel(this);
    pLabel->setObjectName(strObjectName);
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return pLabel;
}

void CFormattedPreview::ShowPage(qsizetype nPage) {
    if (nPage < 0 || nPage >= m_pages.size())
        return;
    m_nPage = nPage;
    const Page& page = m_pages[nPage];
    m_pTo->setText(page.strEMail);
    m_pSubject->setText(page.strSubject);
    m_pAttachments->setText(page.strAttachments);
    QStringList arrProblems;
    if (page.html) {
        for (const CHtmlMail::Problem& problem : page.html->m_problems)
            arrProblems << ImageProblemText(problem);
        m_pBrowser->ShowHtml(*page.html);
    } else {
        m_pBrowser->ShowText(page.strText);
    }
    m_pProblems->setText(arrProblems.join(u'\n'));
    m_pProblems->setVisible(!arrProblems.isEmpty());
    m_pPosition->setText(QStringLiteral("Mail %1 of %2").arg(nPage + 1).arg(m_pages.size()));
    m_pPrevious->setEnabled(nPage > 0);
    m_pNext->setEnabled(nPage + 1 < m_pages.size());
}

// A template that cannot be opened is told in the window, in the words the
// assembly would show in its box.
QList<CFormattedPreview::Page> CFormattedPreview::PagesOf(CListCtrl& list, const QList<int>& items,
                                                          const QString& strStartDir) {
    CMarkdownRenderer renderer(strStartDir);
    const QString strToday = CMailTemplate::Today();
    QList<Page> pages;
    for (const int nItem : items) {
        const CMailRow row = MailRowOf(list, nItem);
        const std::optional<QByteArray> bytes =
            CMailTemplate::ReadFile(strStartDir, row.m_strTemplate);
        if (!bytes) {
            pages.append({row.m_strEMail,
                          QString(),
                          QString(),
                          CMailTemplate::CannotOpenText(row.m_strTemplate),
                          {}});
            continue;
        }
        const CMergedMail mail = CMailTemplate::Merge(row, *bytes, strToday);
        Page page{mail.m_strEMail, mail.m_strSubject, mail.m_strAttachments, mail.m_strBody, {}};
        if (mail.m_bMarkdown)
            page.html = renderer.Render(mail);
        pages.append(page);
    }
    return pages;
}
