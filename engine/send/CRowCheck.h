#pragma once

#include "engine/send/CRowMail.h"

#include <QList>
#include <QString>
#include <QStringList>

class CMarkdownRenderer;

// The checks of one row's mail before a run sends anything: what would make
// its send fail or go out incomplete, or would mail a file that is not one of
// the user's templates.
class CRowCheck {
public:
    enum class Problem {
        TemplateMissing,
        TemplateOutsideFolder,
        AttachmentMissing,
        // A Markdown template's image that cannot go with the mail: missing,
        // or not a file inside the start folder.
        ImageMissing,
        AddressRefused
    };

    // The row's problems, in the order above. Relative attachment and image
    // paths are resolved against strStartDir, as the send resolves them. A
    // Markdown mail's images are found with pRenderer, a renderer of that
    // folder, which a check of many rows shares so that each template is
    // parsed once; without one, with a renderer of the row's own.
    static QList<Problem> Check(const CRowMail& mail, const QString& strStartDir,
                                CMarkdownRenderer* pRenderer = nullptr);
    // The paths of the attachment list (split at commas, tabs and
    // semicolons, each trimmed) that cannot be opened for reading.
    static QStringList MissingAttachments(const QString& strAttachments,
                                          const QString& strStartDir);
    // Whether the mail library takes the address as the one recipient.
    static bool IsAddressAccepted(const QString& strEMail);
    // Whether the template file strName, taken from strStartDir as the
    // assembly takes it, lies inside that folder or a folder below it once
    // every symbolic link is followed. A name the user typed may say "../" or
    // be absolute, and a link may point anywhere: such a file could be any of
    // the user's files, mailed to the row's address.
    static bool IsTemplateInFolder(const QString& strTemplate, const QString& strStartDir);
};
