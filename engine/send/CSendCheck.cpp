#include "engine/send/CSendCheck.h"

#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "engine/text/TrimWhiteSpace.h"

#include <QDir>
#include <QMap>
#include <algorithm>
#include <array>

namespace {

constexpr CRowCheck::Problem kProblems[] = {
    CRowCheck::Problem::TemplateMissing, CRowCheck::Problem::TemplateOutsideFolder,
    CRowCheck::Problem::AttachmentMissing, CRowCheck::Problem::ImageMissing,
    CRowCheck::Problem::AddressRefused};

// The placeholders a row fills, in the order the assembly fills them, with
// the row's value for each.
std::array<std::pair<QString, QString>, 7> RowPlaceholders(const CMailRow& row) {
    return {{{QStringLiteral("#PREFIX"), row.m_strPrefix},
             {QStringLiteral("#NAME"), row.m_strName},
             {QStringLiteral("#MY_1"), row.m_arrMy[0]},
             {QStringLiteral("#MY_2"), row.m_arrMy[1]},
             {QStringLiteral("#MY_3"), row.m_arrMy[2]},
             {QStringLiteral("#MY_4"), row.m_arrMy[3]},
             {QStringLiteral("#MY_5"), row.m_arrMy[4]}}};
}

// A field saved empty holds a single blank, which fills its placeholder
// with a blank: as empty to the reader as no value at all.
QStringList EmptyPlaceholders(const QString& strText, const CMailRow& row) {
    QStringList arrEmpty;
    for (const auto& [strPlaceholder, strValue] : RowPlaceholders(row)) {
        if (strText.contains(strPlaceholder) && TrimWhiteSpace(strValue).isEmpty())
            arrEmpty << strPlaceholder;
    }
    return arrEmpty;
}

QString RowLine(const CCheckedRow& row) {
    return QStringLiteral("    row %1: %2 (%3)")
        .arg(row.mail.nItem + 1)
        .arg(row.mail.mail.m_strEMail, row.mail.strTemplate);
}

bool IsLeftOut(const QList<CRowCheck::Problem>& problems, const CSendChoices& choices) {
    const bool bOutside = problems.contains(CRowCheck::Problem::TemplateOutsideFolder);
    const bool bOthers = problems.size() > (bOutside ? 1 : 0);
    return (bOutside && !choices.bSendOutside) || (bOthers && choices.bSkipProblems);
}

} // namespace

CSendCheck::CSendCheck(QString strStartDir, CSentLookup sent)
    : m_strStartDir(std::move(strStartDir)), m_sent(std::move(sent)),
      m_strToday(CMailTemplate::Today()),
      m_pRenderer(std::make_unique<CMarkdownRenderer>(m_strStartDir)) {}

CSendCheck::~CSendCheck() = default;

CCheckedRow CSendCheck::Check(int nItem, const CMailRow& row) {
    CCheckedRow checked;
    CRowMail& mail = checked.mail;
    mail.nItem = nItem;
    mail.row = row;
    mail.strTemplate = m_strTemplate.isEmpty() ? row.m_strTemplate : m_strTemplate;
    mail.mail.m_strEMail = TrimWhiteSpace(row.m_strEMail);
    const TemplateFile& file = TemplateOf(mail.strTemplate);
    if (file.bytes) {
        mail.bTemplateOpened = true;
        // Merged as the template of the mailing, which decides whether the
        // mail is Markdown, not as the record's own.
        CMailRow merged = row;
        merged.m_strTemplate = mail.strTemplate;
        mail.mail = CMailTemplate::Merge(merged, *file.bytes, m_strToday);
        checked.arrEmptyPlaceholders = EmptyPlaceholders(file.strText, row);
        checked.bAlreadySent =
            m_sent.IsSent(mail.mail.m_strEMail, mail.strTemplate, mail.mail.m_strSubject);
    }
    checked.problems = CRowCheck::Check(mail, m_strStartDir, m_pRenderer.get());
    return checked;
}

const CSendCheck::TemplateFile& CSendCheck::TemplateOf(const QString& strName) {
    const auto found = m_templates.constFind(strName);
    if (found != m_templates.constEnd())
        return *found;
    TemplateFile file;
    file.bytes = CMailTemplate::ReadFile(m_strStartDir, strName);
    if (file.bytes)
        file.strText = CMailTemplate::Decode(*file.bytes);
    return *m_templates.insert(strName, file);
}

QList<CPlannedRow> CSendCheck::Plan(const QList<CCheckedRow>& rows, const CSendChoices& choices) {
    QList<CPlannedRow> plan;
    plan.reserve(rows.size());
    for (const CCheckedRow& row : rows) {
        CPlannedRow planned;
        planned.mail = row.mail;
        if (choices.bSkipSent && row.bAlreadySent) {
            planned.skip = CPlannedRow::Skip::AlreadySent;
        } else if (IsLeftOut(row.problems, choices)) {
            planned.skip = CPlannedRow::Skip::Problem;
            QStringList arrTitles;
            for (CRowCheck::Problem problem : row.problems)
                arrTitles << ProblemTitle(problem);
            planned.strSkipReason = arrTitles.join(QStringLiteral("; "));
        }
        plan << planned;
    }
    return plan;
}

int CSendCheck::CountToSend(const QList<CPlannedRow>& plan) {
    return int(std::count_if(plan.begin(), plan.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::None;
    }));
}

QStringList CSendCheck::FolderTemplates(const QString& strStartDir) {
    return QDir(strStartDir)
        .entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString CSendCheck::DefaultTemplate(const QList<CMailRow>& rows, const QStringList& arrTemplates) {
    QMap<QString, int> uses;
    bool bAllOwn = true;
    for (const CMailRow& row : rows) {
        const QString strOwn = TrimWhiteSpace(row.m_strTemplate);
        bAllOwn = bAllOwn && !strOwn.isEmpty();
        if (arrTemplates.contains(strOwn))
            ++uses[strOwn];
    }
    if (bAllOwn)
        return QString();
    QString strBest = arrTemplates.value(0);
    for (const QString& strTemplate : arrTemplates) {
        if (uses.value(strTemplate) > uses.value(strBest))
            strBest = strTemplate;
    }
    return strBest;
}

QString CSendCheck::ProblemTitle(CRowCheck::Problem problem) {
    switch (problem) {
    case CRowCheck::Problem::TemplateMissing:
        return QStringLiteral("The template cannot be opened");
    case CRowCheck::Problem::TemplateOutsideFolder:
        return QStringLiteral("The template lies outside the folder Corvane started in");
    case CRowCheck::Problem::AttachmentMissing:
        return QStringLiteral("An attachment is missing or cannot be read");
    case CRowCheck::Problem::ImageMissing:
        return QStringLiteral("An image of the formatted mail is missing or lies outside the "
                              "folder Corvane started in");
    case CRowCheck::Problem::AddressRefused:
        break;
    }
    return QStringLiteral("The mail library refuses the address");
}

QString CSendCheck::ProblemText(const QList<CCheckedRow>& rows) {
    QStringList arrLines;
    for (CRowCheck::Problem problem : kProblems) {
        QStringList arrRows;
        for (const CCheckedRow& row : rows) {
            if (row.problems.contains(problem))
                arrRows << RowLine(row);
        }
        if (arrRows.isEmpty())
            continue;
        arrLines << QStringLiteral("%1 (%2 rows):").arg(ProblemTitle(problem)).arg(arrRows.size());
        arrLines << arrRows;
    }
    return arrLines.join(u'\n');
}

QString CSendCheck::WarningText(const QList<CCheckedRow>& rows) {
    QStringList arrLines;
    for (const auto& placeholder : RowPlaceholders(CMailRow())) {
        QStringList arrRows;
        for (const CCheckedRow& row : rows) {
            if (row.arrEmptyPlaceholders.contains(placeholder.first))
                arrRows << RowLine(row);
        }
        if (arrRows.isEmpty())
            continue;
        arrLines
            << QStringLiteral("%1 is empty in %2 rows:").arg(placeholder.first).arg(arrRows.size());
        arrLines << arrRows;
    }
    return arrLines.join(u'\n');
}
