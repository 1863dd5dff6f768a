#include "mapi32/CMailOutcome.h"

#include <cstring>
#include <glib.h>
#include <memory>
#include <utility>

namespace {

struct GFree {
    void operator()(gchar* pText) const { g_free(pText); }
};

// Control characters become blanks; what is not UTF-8, U+FFFD.
std::string PrintableText(const std::string& strText) {
    const std::unique_ptr<gchar, GFree> pValid(
        g_utf8_make_valid(strText.data(), static_cast<gssize>(strText.size())));
    std::string strPrintable;
    for (const gchar* p = pValid.get(); *p; p = g_utf8_next_char(p)) {
        const gchar* pNext = g_utf8_next_char(p);
        if (g_unichar_iscntrl(g_utf8_get_char(p)))
            strPrintable += ' ';
        else
            strPrintable.append(p, pNext);
    }
    return strPrintable;
}

// The longest start of the text that ends with a whole character and leaves
// room for the zero byte.
size_t FittingLength(const std::string& strText, size_t nBuffer) {
    if (strText.size() < nBuffer)
        return strText.size();
    size_t nLength = nBuffer - 1;
    while (nLength > 0 && (static_cast<unsigned char>(strText[nLength]) & 0xC0) == 0x80)
        --nLength;
    return nLength;
}

} // namespace

CMailOutcome CMailOutcome::Failure(ULONG nResult, CorvaneStep eStep, std::string strText,
                                   bool bTemporary) {
    return {nResult, eStep, 0, bTemporary, std::move(strText)};
}

CMailOutcome CMailOutcome::Refusal(ULONG nResult, CorvaneStep eStep,
                                   const CSmtpReplyParser::Reply& reply, bool bTemporary) {
    return {nResult, eStep, reply.nCode, bTemporary, reply.strText};
}

CorvaneResult CMailOutcome::ToResult() const {
    CorvaneResult result{};
    result.ulResult = nResult;
    result.ulStep = eStep;
    result.ulReplyCode = static_cast<ULONG>(nReplyCode);
    result.ulTemporary = bTemporary ? 1 : 0;
    if (Succeeded())
        return result;
    const std::string strPrintable = PrintableText(strText);
    std::memcpy(result.szReply, strPrintable.data(),
                FittingLength(strPrintable, CORVANE_REPLY_SIZE));
    return result;
}
