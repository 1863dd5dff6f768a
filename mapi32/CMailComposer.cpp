#include "mapi32/CMailComposer.h"

#include "mapi32/CHeaderLine.h"
#include "mapi32/CMailRequest.h"
#include "mapi32/CMailSettings.h"
#include "mapi32/GObjectPtr.h"
#include "mapi32/MapiResult.h"

#include <gio/gio.h>
#include <memory>

namespace {

constexpr const char* kCharset = "utf-8";

template <typename T> using GLibPtr = std::unique_ptr<T, decltype(&g_free)>;

// Line ends of the body as LF only; the serializer writes each as CR LF.
std::string UnixLineEnds(const std::string& strText) {
    std::string strResult;
    strResult.reserve(strText.size());
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] != '\r')
            strResult += strText[i];
        else if (i + 1 >= strText.size() || strText[i + 1] != '\n')
            strResult += '\n';
    }
    return strResult;
}

// The MIME type that the desktop gives files of this name.
std::string ContentTypeOf(const std::string& strName) {
    const GLibPtr<gchar> pType(g_content_type_guess(strName.c_str(), nullptr, 0, nullptr), &g_free);
    const GLibPtr<gchar> pMime(pType ? g_content_type_get_mime_type(pType.get()) : nullptr,
                               &g_free);
    const std::string strMime = pMime ? pMime.get() : "";
    return strMime.find('/') != std::string::npos ? strMime : "application/octet-stream";
}

void SetContent(GMimePart* pPart, GMimeStream* pStream) {
    const GObjectPtr<GMimeDataWrapper> pWrapper(
        g_mime_data_wrapper_new_with_stream(pStream, GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(pPart, pWrapper.get());
}

std::string DomainOf(const std::string& strAddress) {
    return strAddress.substr(strAddress.rfind('@') + 1);
}

} // namespace

ULONG CMailComposer::Compose(const CMailRequest& request, const CMailSettings& settings,
                             std::string& strMessage) {
    std::string strMessageId;
    return Compose(request, settings, strMessage, strMessageId);
}

// GMime writes the identifier between angle brackets, as the header wants.
ULONG CMailComposer::Compose(const CMailRequest& request, const CMailSettings& settings,
                             std::string& strMessage, std::string& strMessageId) {
    const GObjectPtr<GMimeMessage> pMessage(g_mime_message_new(TRUE));
    GDateTime* pNow = g_date_time_new_now_local();
    g_mime_message_set_date(pMessage.get(), pNow);
    g_date_time_unref(pNow);
    const GLibPtr<char> pMessageId(
        g_mime_utils_generate_message_id(DomainOf(settings.m_strSenderAddress).c_str()), &g_free);
    g_mime_message_set_message_id(pMessage.get(), pMessageId.get());

    GMimeObject* pBodyPart = nullptr;
    if (const ULONG nResult = Body(request, &pBodyPart); nResult != SUCCESS_SUCCESS)
        return nResult;
    const GObjectPtr<GMimeObject> pBody(pBodyPart);
    g_mime_message_set_mime_part(pMessage.get(), pBody.get());
    strMessage = AddressLines(request, settings) + Serialize(pMessage.get());
    strMessageId = '<' + std::string(pMessageId.get()) + '>';
    return SUCCESS_SUCCESS;
}

// From, To and Subject come first, written by the library itself: GMime
// would take a text that merely looks like an encoded word for one, fold it
// into a line without a leading blank, and rewrite xn-- domains.
std::string CMailComposer::AddressLines(const CMailRequest& request,
                                        const CMailSettings& settings) {
    return CHeaderLine::Mailbox("From", settings.m_strSenderName, settings.m_strSenderAddress) +
           CHeaderLine::Mailbox("To", request.m_strRecipientName, request.m_strRecipientAddress) +
           CHeaderLine::Unstructured("Subject", request.m_strSubject);
}

// The text, or the text and the HTML, followed by the attachments.
ULONG CMailComposer::Body(const CMailRequest& request, GMimeObject** ppBody) {
    GObjectPtr<GMimeObject> pBody;
    if (request.m_bHtml) {
        GMimeObject* pFormatted = nullptr;
        if (const ULONG nResult = FormattedBody(request, &pFormatted); nResult != SUCCESS_SUCCESS)
            return nResult;
        pBody.reset(pFormatted);
    } else {
        pBody.reset(TextPart(request.m_strBody, "plain"));
    }
    if (!request.m_vecAttachments.empty()) {
        GObjectPtr<GMimeMultipart> pMixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(pMixed.get(), pBody.get());
        for (const CMailRequest::Attachment& attachment : request.m_vecAttachments) {
            GMimeObject* pPart = nullptr;
            const ULONG nResult = AttachmentPart(attachment.strPath, attachment.strName, &pPart);
            if (nResult != SUCCESS_SUCCESS)
                return nResult;
            g_mime_multipart_add(pMixed.get(), pPart);
            g_object_unref(pPart);
        }
        pBody.reset(GMIME_OBJECT(pMixed.release()));
    }
    *ppBody = pBody.release();
    return SUCCESS_SUCCESS;
}

// The text first and the HTML last, as RFC 2046 orders the alternatives: a
// program shows the last one it can.
ULONG CMailComposer::FormattedBody(const CMailRequest& request, GMimeObject** ppBody) {
    GObjectPtr<GMimeObject> pHtml(TextPart(request.m_strHtml, "html"));
    if (!request.m_vecInlineImages.empty()) {
        GObjectPtr<GMimeMultipart> pRelated(g_mime_multipart_new_with_subtype("related"));
        g_mime_object_set_content_type_parameter(GMIME_OBJECT(pRelated.get()), "type",
                                                 "text/html");
        g_mime_multipart_add(pRelated.get(), pHtml.get());
        for (const CMailRequest::InlineImage& image : request.m_vecInlineImages) {
            GMimeObject* pPart = nullptr;
            if (const ULONG nResult = InlineImagePart(image, &pPart); nResult != SUCCESS_SUCCESS)
                return nResult;
            g_mime_multipart_add(pRelated.get(), pPart);
            g_object_unref(pPart);
        }
        pHtml.reset(GMIME_OBJECT(pRelated.release()));
    }
    GObjectPtr<GMimeMultipart> pAlternative(g_mime_multipart_new_with_subtype("alternative"));
    const GObjectPtr<GMimeObject> pText(TextPart(request.m_strBody, "plain"));
    g_mime_multipart_add(pAlternative.get(), pText.get());
    g_mime_multipart_add(pAlternative.get(), pHtml.get());
    *ppBody = GMIME_OBJECT(pAlternative.release());
    return SUCCESS_SUCCESS;
}

// text/<subtype>; charset=utf-8, in the 7-bit encoding that suits it best
// (7bit, quoted-printable or base64), so any server takes it.
GMimeObject* CMailComposer::TextPart(const std::string& strText, const char* pszSubtype) {
    GMimeTextPart* pText = g_mime_text_part_new_with_subtype(pszSubtype);
    g_mime_text_part_set_charset(pText, kCharset);
    const std::string strLines = UnixLineEnds(strText);
    const GObjectPtr<GMimeStream> pStream(
        g_mime_stream_mem_new_with_buffer(strLines.data(), strLines.size()));
    SetContent(GMIME_PART(pText), pStream.get());
    g_mime_part_set_content_encoding(
        GMIME_PART(pText),
        g_mime_part_get_best_content_encoding(GMIME_PART(pText), GMIME_ENCODING_CONSTRAINT_7BIT));
    return GMIME_OBJECT(pText);
}

ULONG CMailComposer::AttachmentPart(const std::string& strPath, const std::string& strName,
                                    GMimeObject** ppPart) {
    gchar* pData = nullptr;
    gsize nSize = 0;
    GError* pError = nullptr;
    if (!g_file_get_contents(strPath.c_str(), &pData, &nSize, &pError)) {
        const bool bMissing = pError->code == G_FILE_ERROR_NOENT ||
                              pError->code == G_FILE_ERROR_NOTDIR ||
                              pError->code == G_FILE_ERROR_NAMETOOLONG;
        g_error_free(pError);
        return bMissing ? MapiResult::AttachmentMissing : MapiResult::AttachmentUnreadable;
    }
    const GObjectPtr<GMimeStream> pStream(g_mime_stream_mem_new_with_byte_array(
        g_byte_array_new_take(reinterpret_cast<guint8*>(pData), nSize)));
    const std::string strType = ContentTypeOf(strName);
    const size_t nSlash = strType.find('/');
    GMimePart* pPart = g_mime_part_new_with_type(strType.substr(0, nSlash).c_str(),
                                                 strType.substr(nSlash + 1).c_str());
    SetContent(pPart, pStream.get());
    g_mime_part_set_filename(pPart, strName.c_str());
    g_mime_part_set_content_encoding(pPart, GMIME_CONTENT_ENCODING_BASE64);
    *ppPart = GMIME_OBJECT(pPart);
    return SUCCESS_SUCCESS;
}

std::string CMailComposer::Serialize(GMimeMessage* pMessage) {
    GMimeFormatOptions* pOptions = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(pOptions, GMIME_NEWLINE_FORMAT_DOS);
    const GObjectPtr<GMimeStream> pStream(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(GMIME_OBJECT(pMessage), pOptions, pStream.get());
    g_mime_format_options_free(pOptions);
    const GByteArray* pBytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(pStream.get()));
    return std::string(reinterpret_cast<const char*>(pBytes->data), pBytes->len);
}

// Shown in place, not offered as a file to save.
ULONG CMailComposer::InlineImagePart(const CMailRequest::InlineImage& image, GMimeObject** ppPart) {
    if (const ULONG nResult = AttachmentPart(image.strPath, image.strName, ppPart);
        nResult != SUCCESS_SUCCESS)
        return nResult;
    g_mime_object_set_disposition(*ppPart, GMIME_DISPOSITION_INLINE);
    g_mime_object_set_content_id(*ppPart, image.strContentId.c_str());
    return SUCCESS_SUCCESS;
}
