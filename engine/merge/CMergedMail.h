#pragma once

#include "engine/merge/CPlaceholders.h"

#include <QString>
#include <QStringList>

// The mail that a template makes of one row, before anything is sent.
struct CMergedMail {
    QString m_strEMail;       // the row's address, trimmed
    QString m_strSubject;     // the #SUBJECT line's value, trimmed
    QString m_strAttachments; // the #ATTACHMENTS line's value as written
    QString m_strBody;        // the rest of the text, trimmed

    // A Markdown template's mail: m_strBody is its text part, the Markdown
    // filled as it stands; m_strMarkdown the body as the template writes it,
    // placeholders unfilled, and m_placeholders their values, which the
    // renderer fills in once it has parsed the Markdown.
    bool m_bMarkdown = false;
    QString m_strMarkdown;
    CPlaceholders m_placeholders;

    // The attachment list's paths in their order: split at commas, tabs and
    // semicolons (a run of them is one split), each path trimmed. A part of
    // blanks only gives an empty path, which no file answers to.
    QStringList AttachmentPaths() const { return SplitAttachments(m_strAttachments); }
    static QStringList SplitAttachments(const QString& strAttachments);

    // The block that Preview Mail shows for this mail.
    QString PreviewBlock() const;
};
