#include "mapi32/CMailRequest.h"

#include "mapi32/CHeaderText.h"
#include "engine/address/CMailAddress.h"
#include "mapi32/MapiResult.h"

#include <algorithm>
#include <cstring>
#include <glib.h>
#include <memory>

namespace {

bool IsUtf8(const char* pText) {
    return pText == nullptr || g_utf8_validate(pText, -1, nullptr);
}

std::string TextOf(const char* pText) {
    return pText ? std::string(pText) : std::string();
}

// The last path component; the whole text when it has no folder part.
std::string BaseName(const char* pPath) {
    const std::unique_ptr<char, decltype(&g_free)> pBase(g_path_get_basename(pPath), &g_free);
    return pBase.get();
}

// atext of RFC 5322, and the dots between its runs.
bool IsIdCharacter(char c) {
    return g_ascii_isalnum(c) || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~.", c) != nullptr);
}

bool IsIdPart(std::string_view strPart) {
    return !strPart.empty() && std::all_of(strPart.begin(), strPart.end(), IsIdCharacter);
}

// A Content-ID's value, left@right in the characters that RFC 5322 allows in
// a message identifier: it can go into the header as it is.
bool IsContentId(const char* pText) {
    if (!pText)
        return false;
    const std::string_view strId(pText);
    const size_t nAt = strId.find('@');
    return nAt != std::string_view::npos && strId.size() <= 250 &&
           IsIdPart(strId.substr(0, nAt)) && IsIdPart(strId.substr(nAt + 1));
}

} // namespace

ULONG CMailRequest::Read(const MapiMessage* pMessage, const CorvaneHtmlBody* pHtml) {
    if (!pMessage)
        return MapiResult::NoMessage;
    if (!IsUtf8(pMessage->lpszSubject) || !IsUtf8(pMessage->lpszNoteText))
        return MapiResult::TextNotUtf8;
    if (const ULONG nResult = ReadRecipient(*pMessage); nResult != SUCCESS_SUCCESS)
        return nResult;
    m_strSubject = CHeaderText::OneLine(TextOf(pMessage->lpszSubject));
    m_strBody = TextOf(pMessage->lpszNoteText);
    if (const ULONG nResult = ReadAttachments(*pMessage); nResult != SUCCESS_SUCCESS)
        return nResult;
    return pHtml ? ReadHtml(*pHtml) : SUCCESS_SUCCESS;
}

// Exactly one recipient, a MAPI_TO with one plain address; anything else is
// refused before a single byte goes out.
ULONG CMailRequest::ReadRecipient(const MapiMessage& message) {
    if (message.nRecipCount == 0 || !message.lpRecips)
        return MapiResult::NoRecipient;
    if (message.nRecipCount > 1)
        return MapiResult::TooManyRecipients;
    const MapiRecipDesc& recipient = message.lpRecips[0];
    if (recipient.ulRecipClass != MAPI_TO)
        return MapiResult::RecipientNotTo;
    if (!IsUtf8(recipient.lpszName) || !IsUtf8(recipient.lpszAddress))
        return MapiResult::TextNotUtf8;
    const std::string strAddress(CMailAddress::WithoutType(TextOf(recipient.lpszAddress)));
    if (!CMailAddress::IsPlain(strAddress))
        return MapiResult::AddressInvalid;
    m_strRecipientAddress = strAddress;
    const std::string strName = CHeaderText::OneLine(TextOf(recipient.lpszName));
    m_strRecipientName = strName == strAddress ? std::string() : strName;
    return SUCCESS_SUCCESS;
}

ULONG CMailRequest::ReadAttachments(const MapiMessage& message) {
    if (message.nFileCount > 0 && !message.lpFiles)
        return MapiResult::AttachmentMissing;
    for (ULONG i = 0; i < message.nFileCount; ++i) {
        const MapiFileDesc& file = message.lpFiles[i];
        if (!file.lpszPathName || !*file.lpszPathName)
            return MapiResult::AttachmentMissing;
        const char* pShownName =
            file.lpszFileName && *file.lpszFileName ? file.lpszFileName : file.lpszPathName;
        if (!IsUtf8(pShownName))
            return MapiResult::TextNotUtf8;
        m_vecAttachments.push_back({file.lpszPathName, CHeaderText::OneLine(BaseName(pShownName))});
    }
    return SUCCESS_SUCCESS;
}

// Each image once: two images under one Content-ID would leave the reader's
// program to guess which one the HTML means.
ULONG CMailRequest::ReadHtml(const CorvaneHtmlBody& html) {
    if (!IsUtf8(html.lpszHtml))
        return MapiResult::TextNotUtf8;
    if (html.nImageCount > 0 && !html.lpImages)
        return MapiResult::AttachmentMissing;
    m_bHtml = true;
    m_strHtml = TextOf(html.lpszHtml);
    for (ULONG i = 0; i < html.nImageCount; ++i) {
        const CorvaneInlineImage& image = html.lpImages[i];
        if (!image.lpszPathName || !*image.lpszPathName)
            return MapiResult::AttachmentMissing;
        if (!IsContentId(image.lpszContentId))
            return MapiResult::ContentIdInvalid;
        const std::string strContentId = image.lpszContentId;
        if (std::any_of(m_vecInlineImages.begin(), m_vecInlineImages.end(),
                        [&strContentId](const InlineImage& other) {
                            return other.strContentId == strContentId;
                        }))
            return MapiResult::ContentIdInvalid;
        const std::string strName = BaseName(image.lpszPathName);
        m_vecInlineImages.push_back(
            {image.lpszPathName, IsUtf8(strName.c_str()) ? CHeaderText::OneLine(strName) : "image",
             strContentId});
    }
    return SUCCESS_SUCCESS;
}
