#pragma once

#include "engine/send/CRowMail.h"

class CAddressDatabase;
class CListCtrl;

// A table row's mail as the assembly makes it, without sending it: the
// assembly formats the row's preview block, and the texts are taken back out
// of that block. A template that cannot be opened leaves its message in
// strAssemblyMessage instead of showing it.
class CRowMailReader {
public:
    static CRowMail Read(CAddressDatabase& db, CListCtrl& list, int nItem);
};
