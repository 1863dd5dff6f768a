#pragma once

#include "engine/merge/CMailRow.h"
#include "engine/merge/CMergedMail.h"

#include <QString>

// One table row's mail as it would be sent: the row's values, the template
// it is made with (the row's own, or the one chosen for the mailing) and the
// mail that template makes. When the template could not be opened, the mail
// holds only the row's address.
struct CRowMail {
    // The row's place in its table, 0 for the first.
    int nItem = -1;
    CMailRow row;
    QString strTemplate;
    bool bTemplateOpened = false;
    CMergedMail mail;
};
