#pragma once

#include "engine/send/CCheckedRow.h"
#include "engine/send/CSendChoices.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;

// The confirmation before a Send Mail run: the template of the mailing (each
// row's own, or one of the folder's for every row); how many mails go after
// the choices below, through which server or outbox, as which sender, and
// when the last goes where a rate limit spaces them; the problems the check
// found, by kind, with the rows behind each; the placeholders the mails
// leave empty; and the choices for the run.
class CDia_SendCheck : public QDialog {
    Q_OBJECT

public:
    // The rows as the check finds them with a template for every row, or
    // with each row's own (an empty name).
    using Checker = std::function<QList<CCheckedRow>(const QString& strTemplate)>;

    CDia_SendCheck(QWidget* pParent, const QStringList& arrTemplates,
                   const QString& strDefaultTemplate, Checker check, const QString& strRoute,
                   const QString& strSender, int nMaxPerMinute);

    // The rows as checked with the template chosen.
    const QList<CCheckedRow>& CheckedRows() const { return m_rows; }
    CSendChoices GetChoices() const;
    bool IsTestFirst() const;

private:
    void AddTemplateChoice(const QStringList& arrTemplates, const QString& strDefault);
    void AddProblems();
    void AddWarnings();
    void AddChoices(const QString& strSender);
    // Checks the rows again with the template chosen.
    void Recheck();
    // The headline and the end time, for the rows the choices send.
    void ShowCount();

    Checker m_check;
    QString m_strRoute;
    QString m_strSender;
    int m_nMaxPerMinute;
    QList<CCheckedRow> m_rows;
    QComboBox* m_pTemplate = nullptr;
    QLabel* m_pSummary = nullptr;
    QLabel* m_pEnd = nullptr;
    QPlainTextEdit* m_pProblems = nullptr;
    QRadioButton* m_pSkipProblems = nullptr;
    QRadioButton* m_pSendProblems = nullptr;
    QCheckBox* m_pSendOutside = nullptr;
    QLabel* m_pWarningsLabel = nullptr;
    QPlainTextEdit* m_pWarnings = nullptr;
    QCheckBox* m_pSkipSent = nullptr;
    QCheckBox* m_pTestFirst = nullptr;
};
