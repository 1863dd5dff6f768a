#pragma once

#include <QDialog>

// The end of an import: what was added, updated, skipped and refused, with
// the reasons. "Save Refused Rows..." ends it with kSaveRefused, so that the
// owner asks where to write them.
class CDia_ImportSummary : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSaveRefused = 2;

    CDia_ImportSummary(const QString& strSummary, bool bRefusedRows, QWidget* pParent = nullptr);

private:
    void OnSaveRefused();
};
