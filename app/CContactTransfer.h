#pragma once

#include "engine/contacts/CImportOptions.h"

#include <QList>
#include <QString>

class CImportSummary;
class CMainFrame;

// File > Import Addresses... and File > Export Addresses...: the file chosen,
// the mapping dialog, the import with its progress in the status bar (Esc
// cancels), the summary, and the refill of the open table windows; the
// export of the active table window's selected rows, or of all records.
class CContactTransfer {
public:
    explicit CContactTransfer(CMainFrame* pFrame);

    void OnImportAddresses();
    void OnExportAddresses();

    // The steps once the file is chosen. True when the store took the import
    // or the file was written.
    bool ImportFile(const QString& strPath);
    bool ExportFile(const QString& strPath);

private:
    bool RunImport(const QString& strPath, const CImportOptions& options,
                   CImportSummary* pSummary);
    void ShowSummary(const CImportSummary& summary);
    void RefillTableWindows();
    QList<qlonglong> SelectedKeys() const;

    CMainFrame* m_pFrame;
};
