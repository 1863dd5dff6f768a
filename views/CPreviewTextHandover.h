#pragma once

#include "views/Globals.h"

// While it lives, g_strPreviewText holds the text that the text window
// opened meanwhile shows instead of the clipboard; it is empty before and
// after, so that no other window takes the text.
class CPreviewTextHandover {
public:
    CPreviewTextHandover() { g_strPreviewText.clear(); }
    ~CPreviewTextHandover() { g_strPreviewText.clear(); }
    CPreviewTextHandover(const CPreviewTextHandover&) = delete;
    CPreviewTextHandover& operator=(const CPreviewTextHandover&) = delete;
};
