#include "engine/send/CMapiMessage.h"

#include <QFile>

namespace {

// The attachment is not placed inside the note text.
constexpr ULONG kNoPosition = ~ULONG(0);

} // namespace

CMapiMessage::CMapiMessage(const QString& strName, const QString& strAddress,
                           const QString& strSubject, const QString& strText,
                           const QStringList& arrFiles)
    : m_strName((strName.isEmpty() ? strAddress : strName).toUtf8()),
      m_strAddress(strAddress.toUtf8()), m_strSubject(strSubject.toUtf8()),
      m_strText(strText.toUtf8()) {
    m_recipient.ulRecipClass = MAPI_TO;
    m_recipient.lpszName = m_strName.data();
    m_recipient.lpszAddress = m_strAddress.data();

    m_arrFiles.reserve(arrFiles.size());
    m_arrFileDescs.reserve(arrFiles.size());
    for (const QString& strPath : arrFiles) {
        QByteArray& path = m_arrFiles.emplace_back(strPath.toUtf8());
        MapiFileDesc& desc = m_arrFileDescs.emplace_back();
        desc.nPosition = kNoPosition;
        desc.lpszPathName = path.data();
        desc.lpszFileName = path.data();
    }

    m_message.lpszSubject = m_strSubject.data();
    m_message.lpszNoteText = m_strText.data();
    m_message.nRecipCount = 1;
    m_message.lpRecips = &m_recipient;
    m_message.nFileCount = static_cast<ULONG>(m_arrFileDescs.size());
    m_message.lpFiles = m_arrFileDescs.empty() ? nullptr : m_arrFileDescs.data();
}

void CMapiMessage::SetHtml(const CHtmlMail& html) {
    m_strHtml = html.m_strHtml.toUtf8();
    m_arrImageTexts.clear();
    m_arrImageTexts.reserve(2 * html.m_images.size());
    m_arrImages.clear();
    for (const CHtmlMail::Image& image : html.m_images) {
        QByteArray& path = m_arrImageTexts.emplace_back(QFile::encodeName(image.strPath));
        QByteArray& contentId = m_arrImageTexts.emplace_back(image.strContentId.toUtf8());
        m_arrImages.push_back({0, path.data(), contentId.data()});
    }
    m_html.lpszHtml = m_strHtml.data();
    m_html.nImageCount = static_cast<ULONG>(m_arrImages.size());
    m_html.lpImages = m_arrImages.empty() ? nullptr : m_arrImages.data();
}
