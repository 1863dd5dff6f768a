#include "views/CMailBrowser.h"

#include <QImage>
#include <QUrl>

CMailBrowser::CMailBrowser(QWidget* pParent) : QTextBrowser(pParent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

// The images must be known before the HTML is laid out, which loads them.
void CMailBrowser::ShowHtml(const CHtmlMail& html) {
    m_images.clear();
    for (const CHtmlMail::Image& image : html.m_images)
        m_images.insert(image.strContentId, image.strPath);
    document()->clear();
    setHtml(html.m_strHtml);
}

void CMailBrowser::ShowText(const QString& strText) {
    m_images.clear();
    document()->clear();
    setPlainText(strText);
}

QVariant CMailBrowser::loadResource(int nType, const QUrl& url) {
    const auto it = m_images.constFind(url.path());
    if (nType != QTextDocument::ImageResource || url.scheme() != u"cid" || it == m_images.cend())
        return QVariant();
    return QImage(*it);
}
