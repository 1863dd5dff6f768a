#pragma once

#include "engine/merge/CHtmlMail.h"

#include <QHash>
#include <QTextBrowser>

// Shows a mail as its recipient's program would: a formatted mail's HTML with
// the images it carries, read from their files by Content-ID, or a text
// mail's text. It follows no link and reads nothing else, neither from the
// network nor from the disk.
class CMailBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit CMailBrowser(QWidget* pParent);

    void ShowHtml(const CHtmlMail& html);
    void ShowText(const QString& strText);

protected:
    QVariant loadResource(int nType, const QUrl& url) override;

private:
    QHash<QString, QString> m_images; // file by Content-ID
};
