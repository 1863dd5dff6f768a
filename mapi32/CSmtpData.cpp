#include "mapi32/CSmtpData.h"

std::string CSmtpData::Of(const std::string& strMessage) {
    std::string strData;
    strData.reserve(strMessage.size() + strMessage.size() / 64 + 8);
    bool bLineStart = true;
    for (const char c : strMessage) {
        if (bLineStart && c == '.')
            strData += '.';
        strData += c;
        bLineStart = c == '\n';
    }
    if (!strData.empty() && !strData.ends_with("\r\n"))
        strData += "\r\n";
    strData += ".\r\n";
    return strData;
}
