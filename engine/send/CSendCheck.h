#pragma once

#include "engine/send/CCheckedRow.h"
#include "engine/send/CPlannedRow.h"
#include "engine/send/CSendChoices.h"
#include "engine/send/CSentLookup.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class CMarkdownRenderer;

// The check of a mailing before anything is sent: each row's mail made as
// the run would make it, with the row's own template or one template for
// every row, its problems (which leave it out unless the user says
// otherwise), the placeholders it leaves empty (which do not), and whether
// the send log shows it as sent. Then the plan of the run the user's choices
// make of the checked rows. Nothing here shows anything; nothing throws.
class CSendCheck {
public:
    CSendCheck(QString strStartDir, CSentLookup sent);
    ~CSendCheck();
    CSendCheck(const CSendCheck&) = delete;
    CSendCheck& operator=(const CSendCheck&) = delete;

    // The template for every row; empty: each row's own.
    void SetTemplate(const QString& strTemplate) { m_strTemplate = strTemplate; }
    const QString& Template() const { return m_strTemplate; }

    // Row nItem of its table, with the values row.
    CCheckedRow Check(int nItem, const CMailRow& row);

    // The rows of the run, with the reasons to leave some out.
    static QList<CPlannedRow> Plan(const QList<CCheckedRow>& rows, const CSendChoices& choices);
    static int CountToSend(const QList<CPlannedRow>& plan);

    // The templates a mailing may use: the .txt files of the start folder
    // (the extension in any letter case), in the order of their names.
    static QStringList FolderTemplates(const QString& strStartDir);
    // The template a mailing starts with: each row's own (empty) when every
    // row names one, otherwise the template of the folder most rows name, or
    // the folder's first.
    static QString DefaultTemplate(const QList<CMailRow>& rows, const QStringList& arrTemplates);

    static QString ProblemTitle(CRowCheck::Problem problem);
    // The problems by kind, each with its rows ("    row 3: address
    // (template)"); empty when there are none.
    static QString ProblemText(const QList<CCheckedRow>& rows);
    // The same for the empty placeholders: "#MY_1 is empty in 51 rows:".
    static QString WarningText(const QList<CCheckedRow>& rows);

private:
    // A template file's bytes as the merge takes them and its text, read once
    // per check for every row that uses it; no bytes when it cannot be read.
    struct TemplateFile {
        std::optional<QByteArray> bytes;
        QString strText;
    };
    const TemplateFile& TemplateOf(const QString& strName);

    QString m_strStartDir;
    CSentLookup m_sent;
    QString m_strToday;
    QString m_strTemplate;
    // Shared by the rows, so that a Markdown template is parsed once.
    std::unique_ptr<CMarkdownRenderer> m_pRenderer;
    QHash<QString, TemplateFile> m_templates;
};
