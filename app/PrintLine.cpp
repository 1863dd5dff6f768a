#include "app/PrintLine.h"

void PrintLine(FILE* pStream, const QString& strText) {
    std::fputs(qPrintable(strText + u'\n'), pStream);
    std::fflush(pStream);
}
