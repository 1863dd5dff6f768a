#pragma once

#include "engine/send/CRowCheck.h"
#include "engine/send/CRowMail.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QRadioButton;

// The confirmation before a Send Mail run: how many mails, through which
// server or outbox and as which sender; the problems the check found, by
// kind, with the rows behind each; and the choices for the run.
class CDia_SendCheck : public QDialog {
    Q_OBJECT

public:
    // One selected row as the check found it.
    struct Row {
        CRowMail mail;
        QList<CRowCheck::Problem> problems;
        bool bAlreadySent = false;
    };
    struct Choices {
        bool bSkipProblems = true;
        bool bSkipSent = true;
        bool bTestFirst = false;
        // Rows whose template lies outside the start folder go out too.
        bool bSendOutside = false;
    };

    CDia_SendCheck(QWidget* pParent, const QList<Row>& rows, const QString& strRoute,
                   const QString& strSender);
    Choices GetChoices() const;

    static QString ProblemTitle(CRowCheck::Problem problem);

private:
    static QString ProblemText(const QList<Row>& rows);

    QRadioButton* m_pSkipProblems = nullptr;
    QCheckBox* m_pSkipSent = nullptr;
    QCheckBox* m_pTestFirst = nullptr;
    QCheckBox* m_pSendOutside = nullptr;
};
