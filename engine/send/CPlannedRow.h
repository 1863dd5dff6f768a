#pragma once

#include "engine/send/CRowMail.h"

#include <QString>

// One row of a run as the user confirmed it: its mail, and whether the run
// leaves it out. A row already sent before is passed over without a line in
// the log; a row with a problem is logged as skipped, with the reason.
struct CPlannedRow {
    enum class Skip { None, AlreadySent, Problem };

    CRowMail mail;
    Skip skip = Skip::None;
    QString strSkipReason;
};
