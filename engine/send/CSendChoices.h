#pragma once

// What the user chose for a run after the check.
struct CSendChoices {
    // Leave out the rows with problems (other than a template outside the
    // folder); otherwise they go, as a single mail would.
    bool bSkipProblems = true;
    // Leave out the rows the send log shows as sent.
    bool bSkipSent = true;
    // Send the rows whose template lies outside the start folder too.
    bool bSendOutside = false;
};
