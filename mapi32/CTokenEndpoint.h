#pragma once

#include "platform/oauth/COAuthReply.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The token endpoint of an OAuth 2.0 provider, asked with libcurl (the
// program's Qt network classes have no place in the mail library). One
// request at a time on the calling thread; a server that takes longer than
// the mail library's stall limit to answer counts as unreachable, and
// CorvaneAbortSend ends the wait at once (CSendAbort).
class CTokenEndpoint {
public:
    using Form = std::vector<std::pair<const char*, std::string>>;

    // POSTs the form, URL-encoded, to strUrl (https://, or http:// on this
    // machine: COAuthSettings checked it). Certificates are checked against
    // the system's CAs. Nothing when the call was aborted.
    static std::optional<COAuthReply> Post(const std::string& strUrl, const Form& form);
};
