#pragma once

#include <QString>

// A row of a contacts file that was not imported, and why.
struct CRefusedRow {
    qint64 nLine = 0;
    QString strReason;
    bool bDuplicate = false; // a twin of a stored address or of an earlier row
};
