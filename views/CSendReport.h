#pragma once

#include <QDialog>

class QPlainTextEdit;

// The report of a run of several mails: a window beside the table that
// fills, while the run goes on, with a line for each row that failed or went
// out incomplete, and ends with the run's summary. It stays open until the
// user closes it.
class CSendReport : public QDialog {
    Q_OBJECT

public:
    explicit CSendReport(QWidget* pParent);

    void AddRow(int nRow, const QString& strEMail, const QString& strMessage);
    void AddSummary(int nSent, int nFailed, int nSkipped, const QString& strLogPath);
    QString Text() const;

private:
    QPlainTextEdit* m_pText;
};
