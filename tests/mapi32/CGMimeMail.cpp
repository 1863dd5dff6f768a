#include "CGMimeMail.h"

#include <QStringList>
#include <functional>
#include <gmime/gmime.h>

namespace {

// The type GMime gives is a copy of the caller's to free.
QString TypeOf(GMimeObject* pObject) {
    GMimeContentType* pType = g_mime_object_get_content_type(pObject);
    char* pszType = g_mime_content_type_get_mime_type(pType);
    const QString strType = QString::fromUtf8(pszType).toLower();
    g_free(pszType);
    return strType;
}

QString TreeOf(GMimeObject* pObject) {
    QString strTree = TypeOf(pObject);
    if (!GMIME_IS_MULTIPART(pObject))
        return strTree;
    QStringList arrParts;
    GMimeMultipart* pMultipart = GMIME_MULTIPART(pObject);
    for (int i = 0; i < g_mime_multipart_get_count(pMultipart); ++i)
        arrParts << TreeOf(g_mime_multipart_get_part(pMultipart, i));
    return strTree + u'(' + arrParts.join(u',') + u')';
}

// The first object of the tree, depth first, that pTest accepts.
GMimeObject* Find(GMimeObject* pObject, const std::function<bool(GMimeObject*)>& test) {
    if (pObject == nullptr || test(pObject))
        return pObject;
    if (!GMIME_IS_MULTIPART(pObject))
        return nullptr;
    GMimeMultipart* pMultipart = GMIME_MULTIPART(pObject);
    for (int i = 0; i < g_mime_multipart_get_count(pMultipart); ++i) {
        if (GMimeObject* pFound = Find(g_mime_multipart_get_part(pMultipart, i), test))
            return pFound;
    }
    return nullptr;
}

QByteArray Decoded(GMimePart* pPart) {
    GMimeDataWrapper* pContent = g_mime_part_get_content(pPart);
    GMimeStream* pStream = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(pContent, pStream);
    const GByteArray* pBytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(pStream));
    QByteArray bytes(reinterpret_cast<const char*>(pBytes->data), qsizetype(pBytes->len));
    g_object_unref(pStream);
    return bytes;
}

} // namespace

CGMimeMail::CGMimeMail(const QByteArray& message) {
    static const bool bInitialised = (g_mime_init(), true);
    Q_UNUSED(bInitialised);
    GMimeStream* pStream = g_mime_stream_mem_new_with_buffer(message.constData(), message.size());
    GMimeParser* pParser = g_mime_parser_new_with_stream(pStream);
    m_pMessage = g_mime_parser_construct_message(pParser, nullptr);
    g_object_unref(pParser);
    g_object_unref(pStream);
}

CGMimeMail::~CGMimeMail() {
    if (m_pMessage)
        g_object_unref(m_pMessage);
}

QString CGMimeMail::Structure() const {
    return m_pMessage ? TreeOf(g_mime_message_get_mime_part(m_pMessage)) : QString();
}

QString CGMimeMail::Text(const QString& strType) const {
    if (!m_pMessage)
        return QString();
    GMimeObject* pPart =
        Find(g_mime_message_get_mime_part(m_pMessage), [&strType](GMimeObject* pObject) {
            return GMIME_IS_TEXT_PART(pObject) && TypeOf(pObject) == strType;
        });
    if (!pPart)
        return QString();
    char* pszText = g_mime_text_part_get_text(GMIME_TEXT_PART(pPart));
    QString strText = QString::fromUtf8(pszText);
    g_free(pszText);
    return strText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString CGMimeMail::RelatedType() const {
    if (!m_pMessage)
        return QString();
    GMimeObject* pRelated = Find(g_mime_message_get_mime_part(m_pMessage), [](GMimeObject* pObject) {
        return TypeOf(pObject) == u"multipart/related";
    });
    return pRelated ? QString::fromUtf8(g_mime_object_get_content_type_parameter(pRelated, "type"))
                    : QString();
}

QMap<QString, QByteArray> CGMimeMail::ContentIds() const {
    QMap<QString, QByteArray> parts;
    if (!m_pMessage)
        return parts;
    Find(g_mime_message_get_mime_part(m_pMessage), [&parts](GMimeObject* pObject) {
        if (GMIME_IS_PART(pObject) && g_mime_object_get_content_id(pObject))
            parts.insert(QString::fromUtf8(g_mime_object_get_content_id(pObject)),
                         Decoded(GMIME_PART(pObject)));
        return false;
    });
    return parts;
}

QString CGMimeMail::Disposition(const QString& strContentId) const {
    if (!m_pMessage)
        return QString();
    const QByteArray id = strContentId.toUtf8();
    GMimeObject* pPart =
        Find(g_mime_message_get_mime_part(m_pMessage), [&id](GMimeObject* pObject) {
            const char* pszId = g_mime_object_get_content_id(pObject);
            return pszId && id == pszId;
        });
    return pPart ? QString::fromUtf8(g_mime_object_get_disposition(pPart)) : QString();
}

QString CGMimeMail::Subject() const {
    return m_pMessage ? QString::fromUtf8(g_mime_message_get_subject(m_pMessage)) : QString();
}
