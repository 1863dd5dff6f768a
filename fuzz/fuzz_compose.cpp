// libFuzzer target for the mail library's composition: a subject, a
// recipient name and a recipient address as the program hands them to
// MAPISendMail, separated by zero bytes in the input. Whatever they hold, the
// message composed for them, read back with GMime's parser, has exactly the
// header fields the library writes, one To with the envelope's address byte
// for byte, and the subject and name it was given; every header line is a
// field of its own or continues one with a leading blank.

#include "mapi32/CMailComposer.h"
#include "mapi32/CMailRequest.h"
#include "mapi32/CMailSettings.h"
#include "mapi32/GObjectPtr.h"
#include "platform/mapi/SimpleMapi.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gmime/gmime.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Each field once; Content-Transfer-Encoding besides, at most once, when the
// body is not 7-bit text.
const std::map<std::string, int> kExpectedFields = {
    {"from", 1},       {"to", 1},           {"subject", 1},     {"date", 1},
    {"message-id", 1}, {"mime-version", 1}, {"content-type", 1}};

// The message under test, shown when an invariant breaks.
std::string g_strMessage;

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        std::fprintf(stderr, "invariant broken: %s\n%s\n", pWhat, g_strMessage.c_str());
        std::abort();
    }
}

std::vector<std::string> Parts(const uint8_t* pData, size_t nSize) {
    std::vector<std::string> vecParts(3);
    std::string_view strInput(reinterpret_cast<const char*>(pData), nSize);
    for (std::string& strPart : vecParts) {
        const size_t nEnd = std::min(strInput.find('\0'), strInput.size());
        strPart = strInput.substr(0, nEnd);
        strInput.remove_prefix(std::min(nEnd + 1, strInput.size()));
    }
    if (vecParts[2].empty())
        vecParts[2] = "bob@example.org";
    return vecParts;
}

void CheckHeaderLines(const std::string& strMessage) {
    const std::string strHeader = strMessage.substr(0, strMessage.find("\r\n\r\n"));
    size_t nStart = 0;
    while (nStart < strHeader.size()) {
        const size_t nEnd = std::min(strHeader.find("\r\n", nStart), strHeader.size());
        const std::string_view strLine(strHeader.data() + nStart, nEnd - nStart);
        Require(strLine.size() <= 998, "header line within 998 characters");
        Require(strLine.starts_with(' ') || strLine.starts_with('\t') ||
                    strLine.find(':') != std::string_view::npos,
                "every header line is a field or continues one");
        Require(strLine.find('\n') == std::string_view::npos &&
                    strLine.find('\r') == std::string_view::npos,
                "no bare line ends in the header");
        nStart = nEnd + 2;
    }
}

GMimeMessage* Parse(const std::string& strMessage) {
    const GObjectPtr<GMimeStream> pStream(
        g_mime_stream_mem_new_with_buffer(strMessage.data(), strMessage.size()));
    const GObjectPtr<GMimeParser> pParser(g_mime_parser_new_with_stream(pStream.get()));
    return g_mime_parser_construct_message(pParser.get(), nullptr);
}

// GMime keeps the Content- fields with the body part, the others with the
// message.
void CountFields(GMimeObject* pObject, std::map<std::string, int>& mapFields) {
    GMimeHeaderList* pHeaders = g_mime_object_get_header_list(pObject);
    for (int i = 0; i < g_mime_header_list_get_count(pHeaders); ++i) {
        std::string strName = g_mime_header_get_name(g_mime_header_list_get_header_at(pHeaders, i));
        for (char& c : strName)
            c = static_cast<char>(g_ascii_tolower(c));
        ++mapFields[strName];
    }
}

void CheckParsed(GMimeMessage* pMessage, const CMailRequest& request) {
    std::map<std::string, int> mapFields;
    CountFields(GMIME_OBJECT(pMessage), mapFields);
    GMimeObject* pBody = g_mime_message_get_mime_part(pMessage);
    Require(pBody != nullptr, "the message has its body");
    CountFields(pBody, mapFields);
    if (mapFields["content-transfer-encoding"] <= 1)
        mapFields.erase("content-transfer-encoding");
    Require(mapFields == kExpectedFields, "exactly the header fields the library writes");

    InternetAddressList* pTo = g_mime_message_get_to(pMessage);
    Require(internet_address_list_length(pTo) == 1, "one To");
    InternetAddress* pAddress = internet_address_list_get_address(pTo, 0);
    Require(INTERNET_ADDRESS_IS_MAILBOX(pAddress), "To is a mailbox");
    // The ASCII form: GMime shows xn-- domains decoded.
    const char* pAddr = internet_address_mailbox_get_idn_addr(INTERNET_ADDRESS_MAILBOX(pAddress));
    Require(pAddr && request.m_strRecipientAddress == pAddr, "To is the envelope's address");
    const char* pName = internet_address_get_name(pAddress);
    Require(request.m_strRecipientName == (pName ? pName : ""), "name reads back");
    const char* pSubject = g_mime_message_get_subject(pMessage);
    Require(request.m_strSubject == (pSubject ? pSubject : ""), "subject reads back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static const bool bInitialised = (g_mime_init(), true);
    (void)bInitialised;
    std::vector<std::string> vecParts = Parts(pData, nSize);
    MapiRecipDesc recipient{};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = vecParts[1].data();
    recipient.lpszAddress = vecParts[2].data();
    MapiMessage message{};
    message.lpszSubject = vecParts[0].data();
    message.lpszNoteText = const_cast<char*>("Hello");
    message.nRecipCount = 1;
    message.lpRecips = &recipient;

    CMailRequest request;
    if (request.Read(&message) != SUCCESS_SUCCESS)
        return 0; // refused before anything is composed
    CMailSettings settings;
    settings.m_strSenderName = "Jane Doe";
    settings.m_strSenderAddress = "jane@example.com";
    std::string& strMessage = g_strMessage;
    strMessage.clear();
    Require(CMailComposer::Compose(request, settings, strMessage) == SUCCESS_SUCCESS, "composed");
    CheckHeaderLines(strMessage);
    const GObjectPtr<GMimeMessage> pParsed(Parse(strMessage));
    Require(pParsed != nullptr, "the message parses");
    CheckParsed(pParsed.get(), request);
    return 0;
}
