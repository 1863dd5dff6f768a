#pragma once

#include "engine/send/CRowMail.h"

class CAddressDatabase;
class CListCtrl;

// A table row's mail as the engine's template makes it, without sending it.
// A template that cannot be read leaves the assembly's message for it in
// strAssemblyMessage, to be told when the row's turn comes.
class CRowMailReader {
public:
    static CRowMail Read(CAddressDatabase& db, CListCtrl& list, int nItem);
};
