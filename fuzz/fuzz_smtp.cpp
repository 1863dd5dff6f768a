// libFuzzer target for the two places where the mail library handles bytes
// a server or a sender controls on the wire: the reply parser and the
// message data's dot-stuffing. The input's first byte chooses where the rest
// is cut in two.
//
// Replies: the server's bytes parsed at once and parsed in two pieces give
// the same replies and end garbled alike; every reply has a code of 200 to
// 599 that its text starts with, and the text holds no line end.
// Data: the stuffed message has CR LF . CR LF only at its very end, and
// taking the added dots out again gives the message (with a closing CR LF).

#include "mapi32/CSmtpData.h"
#include "mapi32/CSmtpReplyParser.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        std::fprintf(stderr, "invariant broken: %s\n", pWhat);
        std::abort();
    }
}

struct Parsed {
    std::vector<CSmtpReplyParser::Reply> replies;
    bool bGarbled = false;
};

Parsed ParseInPieces(std::string_view strBytes, size_t nCut) {
    CSmtpReplyParser parser;
    Parsed parsed;
    for (const std::string_view strPiece : {strBytes.substr(0, nCut), strBytes.substr(nCut)}) {
        parser.Feed(strPiece);
        while (std::optional<CSmtpReplyParser::Reply> reply = parser.Next())
            parsed.replies.push_back(*reply);
    }
    parsed.bGarbled = parser.IsGarbled();
    return parsed;
}

void CheckReplies(std::string_view strBytes, size_t nCut) {
    const Parsed whole = ParseInPieces(strBytes, strBytes.size());
    const Parsed pieces = ParseInPieces(strBytes, nCut);
    Require(whole.replies == pieces.replies, "replies depend on how the bytes arrive");
    Require(whole.bGarbled == pieces.bGarbled, "garbled depends on how the bytes arrive");
    for (const CSmtpReplyParser::Reply& reply : whole.replies) {
        Require(reply.nCode >= 200 && reply.nCode <= 599, "reply code out of range");
        Require(reply.strText.starts_with(std::to_string(reply.nCode)), "text is not of the code");
        Require(reply.strText.find('\n') == std::string::npos, "line end in a reply's text");
    }
}

// The data without the dots stuffing added and without its ending dot line.
std::string Unstuffed(std::string_view strData) {
    strData.remove_suffix(3); // ".\r\n"
    std::string strMessage;
    bool bLineStart = true;
    for (const char c : strData) {
        if (!(bLineStart && c == '.'))
            strMessage += c;
        bLineStart = bLineStart && c == '.' ? false : c == '\n';
    }
    return strMessage;
}

void CheckData(const std::string& strMessage) {
    const std::string strData = CSmtpData::Of(strMessage);
    Require(strData.ends_with(".\r\n"), "data without its end");
    const size_t nEnd = strData.find("\r\n.\r\n");
    Require(nEnd == std::string::npos || nEnd + 5 == strData.size(), "data ends early");
    if (strData != ".\r\n")
        Require(strData.ends_with("\r\n.\r\n"), "last line not ended");
    std::string strExpected = strMessage;
    if (!strExpected.empty() && !strExpected.ends_with("\r\n"))
        strExpected += "\r\n";
    Require(Unstuffed(strData) == strExpected, "stuffing changed the message");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize == 0)
        return 0;
    const std::string_view strInput(reinterpret_cast<const char*>(pData) + 1, nSize - 1);
    const size_t nCut = strInput.empty() ? 0 : pData[0] % (strInput.size() + 1);
    CheckReplies(strInput, nCut);
    CheckData(std::string(strInput));
    return 0;
}
