#pragma once

#include "engine/send/CSendSummary.h"

#include <QDialog>

class QPlainTextEdit;

// The report of a run of several mails: a window beside the table that
// fills, while the run goes on, with a line for each row that failed or went
// out incomplete, and ends with the run's summary; long lines wrap. It stays
// open until the user closes it.
class CSendReport : public QDialog {
    Q_OBJECT

public:
    explicit CSendReport(QWidget* pParent);

    // A row's messages, as CSendResult::RowText gives them.
    void AddRow(const QString& strRowText);
    void AddSummary(const CSendSummary& summary, const QString& strLogWhere);
    QString Text() const;

private:
    QPlainTextEdit* m_pText;
};
