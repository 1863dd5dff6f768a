#pragma once

#include "mapi32/CMailOutcome.h"

#include <string>

class CMailSettings;

// The access token that the SMTP login presents with Auth=oauth2. It is kept
// in memory only, once for the process (the library stays loaded between
// mails), so the mails of a run share it; one with little of its life left
// is renewed with the refresh token before the next login.
class CAccessToken {
public:
    struct Outcome {
        CMailOutcome outcome; // at step token, naming the token endpoint's error code
        std::string strToken; // on success
        bool bRenewed = false; // just now from the token endpoint
    };

    // A token with life left for a login, the one kept or a renewed one. A
    // refused refresh token is a logon failure that asks to sign in again;
    // a token endpoint that cannot be reached, or fails, a temporary one.
    static Outcome Get(const CMailSettings& settings);
    // The server refused the token kept: the next Get renews it.
    static void Forget();
};
