#include "views/Globals.h"

QString g_strStartDir;
QString g_strFindFilter;
QString g_strPreviewText;
bool g_bNoTwins = false;
int g_nSortColumn = 0;
bool g_bSortDescending = false;
int g_nWrapLines = 1;
