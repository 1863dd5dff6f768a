#pragma once

#include <QString>
#include <cstdio>

// Writes strText and a line end to pStream (standard output or error) at
// once, so that a script reading a command's output sees each line as it is
// written.
void PrintLine(FILE* pStream, const QString& strText);
