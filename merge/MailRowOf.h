#pragma once

#include "engine/merge/CMailRow.h"

class CListCtrl;

// The values of table row nItem that a template is filled with, as the table
// shows them.
CMailRow MailRowOf(CListCtrl& list, int nItem);
