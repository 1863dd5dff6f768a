#include "platform/ui/EngineErrorGuard.h"

#include "platform/ui/MessageBoxes.h"

#include <QString>

void ReportEngineError(const std::exception& error) {
    AfxMessageBox(QString::fromUtf8(error.what()), MB_OK);
}
