#include "mapi32/CHeaderText.h"

#include <glib.h>

namespace {

bool BreaksLine(gunichar c) {
    const GUnicodeType eType = g_unichar_type(c);
    return g_unichar_iscntrl(c) || eType == G_UNICODE_LINE_SEPARATOR ||
           eType == G_UNICODE_PARAGRAPH_SEPARATOR;
}

} // namespace

std::string CHeaderText::OneLine(std::string_view strText) {
    std::string strLine;
    bool bInBreak = false;
    const char* const pEnd = strText.data() + strText.size();
    for (const char* p = strText.data(); p < pEnd; p = g_utf8_next_char(p)) {
        if (BreaksLine(g_utf8_get_char(p))) {
            if (!bInBreak)
                strLine += ' ';
            bInBreak = true;
            continue;
        }
        bInBreak = false;
        strLine.append(p, g_utf8_next_char(p) - p);
    }
    const size_t nFirst = strLine.find_first_not_of(' ');
    if (nFirst == std::string::npos)
        return {};
    return strLine.substr(nFirst, strLine.find_last_not_of(' ') - nFirst + 1);
}
