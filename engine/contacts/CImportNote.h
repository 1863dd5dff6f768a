#pragma once

#include <QString>

// Something an import changed in a row that it took: the line and what.
struct CImportNote {
    qint64 nLine = 0;
    QString strText;
};
