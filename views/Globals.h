#pragma once

#include <QString>

// State handed between parts of the program that never call each other.
extern QString g_strStartDir;    // working directory when the main window was created
extern QString g_strFindFilter;  // Find's filter, only while its table window opens
extern QString g_strPreviewText; // Preview Mail's text, only while its window opens
extern bool g_bNoTwins;          // the record dialog's "no twins" switch
extern int g_nSortColumn;        // column of the latest header click
extern bool g_bSortDescending;   // direction of the next sort
extern int g_nWrapLines;         // screen lines of the source line drawn last
