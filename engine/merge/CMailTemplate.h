#pragma once

#include "engine/merge/CMailRow.h"
#include "engine/merge/CMergedMail.h"
#include "engine/merge/CPlaceholders.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// A mail template filled with one row: placeholders replaced, the subject and
// attachment lines taken out, the rest trimmed into the body. A template whose
// name ends in ".md" is Markdown: its mail also carries the body's Markdown
// for the renderer. Nothing here throws.
class CMailTemplate {
public:
    // A template contributes at most this many bytes.
    static constexpr qsizetype kByteLimit = 100000;

    // The leading bytes of the template file strName, as many as Merge looks
    // at (one beyond the limit, to tell a cut file); a relative name is taken
    // from strStartDir. Nothing when the name is empty or the file cannot be
    // opened or read.
    static std::optional<QByteArray> ReadFile(const QString& strStartDir, const QString& strName);

    // The text of a template's bytes: the first kByteLimit of them, ending at
    // the first zero byte, decoded as UTF-8 or else Windows-1252.
    static QString Decode(QByteArrayView bytes);

    // The mail of a row from the template's bytes; strToday stands for #TODAY.
    // The row's Template name tells a Markdown template from a text one.
    static CMergedMail Merge(const CMailRow& row, QByteArrayView bytes, const QString& strToday);

    // What a mail's assembly says when the template strName cannot be opened.
    static QString CannotOpenText(const QString& strName);
    // Whether the template of this name is Markdown (".md", any letter case).
    static bool IsMarkdown(const QString& strTemplate);

    // Today's date as "%x" gives it in the C locale (12/07/26), whatever
    // locale the user runs the program in.
    static QString Today();

private:
    static CMergedMail MergeMarkdown(const CMailRow& row, QString strText,
                                     const CPlaceholders& values);
};
