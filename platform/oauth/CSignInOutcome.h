#pragma once

#include "platform/oauth/CTokenStore.h"

#include <QString>

// How a sign-in ended. It carries no token: whatever shows it cannot leak one.
struct CSignInOutcome {
    enum class Result {
        SignedIn,  // the refresh token is stored at ePlace
        Failed,    // strProblem says why
        NoBrowser, // no browser could be opened: the sign-in with a code may serve
    };

    Result eResult = Result::Failed;
    CTokenStore::Place ePlace = CTokenStore::Place::None;
    QString strProblem; // a sentence for the user
};
