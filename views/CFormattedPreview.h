#pragma once

#include "engine/merge/CHtmlMail.h"

#include <QDialog>
#include <QList>
#include <optional>

class CListCtrl;
class CMailBrowser;
class QLabel;
class QPushButton;

// The mails of the selected rows as their recipients will see them, one row
// at a time: To, subject and attachments, the images that cannot go with the
// mail, and the mail itself (a Markdown template's HTML with its images, a
// text template's text). Previous and Next walk the rows. The window does not
// hold up the program, and goes when it is closed.
class CFormattedPreview : public QDialog {
    Q_OBJECT

public:
    // One row's mail; a template that cannot be opened leaves the message
    // that says so as the text.
    struct Page {
        QString strEMail;
        QString strSubject;
        QString strAttachments;
        QString strText;
        std::optional<CHtmlMail> html;
    };

    CFormattedPreview(QWidget* pParent, QList<Page> pages);

    // The mails of the table rows items, from the templates of strStartDir.
    static QList<Page> PagesOf(CListCtrl& list, const QList<int>& items,
                               const QString& strStartDir);

private:
    void ShowPage(qsizetype nPage);
    QLabel* AddValueLabel(const QString& strObjectName);

    QList<Page> m_pages;
    qsizetype m_nPage = 0;
    QLabel* m_pTo = nullptr;
    QLabel* m_pSubject = nullptr;
    QLabel* m_pAttachments = nullptr;
    QLabel* m_pProblems = nullptr;
    QLabel* m_pPosition = nullptr;
    CMailBrowser* m_pBrowser = nullptr;
    QPushButton* m_pPrevious = nullptr;
    QPushButton* m_pNext = nullptr;
};
