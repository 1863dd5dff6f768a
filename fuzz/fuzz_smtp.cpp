// libFuzzer target for the two places where the mail library handles bytes
// a server or a sender controls on the wire: the replies read against the
// commands sent, and the message data's dot-stuffing. The input's first byte
// chooses where the rest is cut in two, its second how many replies are due.
//
// Replies: the server's bytes read at once and read in two pieces give the
// same replies and end out of step and garbled alike; never more replies
// than are due; out of step exactly when bytes are left over once every due
// reply is taken; every reply has a code of 200 to 599 that its text starts
// with, and a text without line ends and within the reply's size bound.
// Data: the stuffed message has CR LF . CR LF only at its very end, and
// taking the added dots out again gives the message (with a closing CR LF).

#include "mapi32/CSmtpData.h"
#include "mapi32/CSmtpReplyQueue.h"

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
    std::vector<CSmtpReplyQueue::Reply> replies;
    bool bOutOfStep = false;
    bool bGarbled = false;
};

Parsed ReadInPieces(std::string_view strBytes, size_t nCut, size_t nDue) {
    CSmtpReplyQueue queue;
    queue.Expect(nDue);
    Parsed parsed;
    for (const std::string_view strPiece : {strBytes.substr(0, nCut), strBytes.substr(nCut)}) {
        queue.Feed(strPiece);
        while (std::optional<CSmtpReplyQueue::Reply> reply = queue.Next())
            parsed.replies.push_back(*reply);
    }
    parsed.bOutOfStep = queue.IsOutOfStep();
    parsed.bGarbled = queue.IsGarbled();
    return parsed;
}

// Where the due replies end in the server's bytes, by a parser of its own.
size_t EndOfReplies(std::string_view strBytes, size_t nReplies) {
    CSmtpReplyParser parser;
    size_t nEnd = 0;
    for (size_t nLineEnd = strBytes.find('\n'); nReplies > 0 && nLineEnd != std::string_view::npos;
         nLineEnd = strBytes.find('\n', nLineEnd + 1)) {
        parser.Feed(strBytes.substr(nEnd, nLineEnd + 1 - nEnd));
        nEnd = nLineEnd + 1;
        if (parser.Next())
            --nReplies;
    }
    return nEnd;
}

void CheckReplies(std::string_view strBytes, size_t nCut, size_t nDue) {
    const Parsed whole = ReadInPieces(strBytes, strBytes.size(), nDue);
    const Parsed pieces = ReadInPieces(strBytes, nCut, nDue);
    Require(whole.replies == pieces.replies, "replies depend on how the bytes arrive");
    Require(whole.bOutOfStep == pieces.bOutOfStep, "out of step depends on how the bytes arrive");
    Require(whole.bGarbled == pieces.bGarbled, "garbled depends on how the bytes arrive");
    Require(whole.replies.size() <= nDue, "more replies than are due");
    if (whole.replies.size() == nDue && !whole.bGarbled)
        Require(whole.bOutOfStep == (EndOfReplies(strBytes, nDue) < strBytes.size()),
                "bytes after the due replies not out of step");
    for (const CSmtpReplyQueue::Reply& reply : whole.replies) {
        Require(reply.nCode >= 200 && reply.nCode <= 599, "reply code out of range");
        Require(reply.strText.starts_with(std::to_string(reply.nCode)), "text is not of the code");
        Require(reply.strText.find('\n') == std::string::npos, "line end in a reply's text");
        Require(reply.strText.size() <= CSmtpReplyParser::kMaxReplyBytes, "reply over its bound");
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
    constexpr size_t kMaxDue = 8;
    if (nSize < 2)
        return 0;
    const std::string_view strInput(reinterpret_cast<const char*>(pData) + 2, nSize - 2);
    const size_t nCut = pData[0] % (strInput.size() + 1);
    CheckReplies(strInput, nCut, pData[1] % kMaxDue);
    CheckData(std::string(strInput));
    return 0;
}
