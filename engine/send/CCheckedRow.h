#pragma once

#include "engine/send/CRowCheck.h"
#include "engine/send/CRowMail.h"

#include <QList>
#include <QStringList>

// One selected row as the check before a run found it.
struct CCheckedRow {
    CRowMail mail;
    QList<CRowCheck::Problem> problems;
    // The placeholders the template uses that the row leaves empty: the
    // mail goes, but reads oddly ("Dear  ,").
    QStringList arrEmptyPlaceholders;
    // The send log shows this mail (address, template, subject) as sent.
    bool bAlreadySent = false;
};
