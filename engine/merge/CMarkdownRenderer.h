#pragma once

#include "engine/merge/CCmarkArena.h"
#include "engine/merge/CHtmlMail.h"
#include "engine/merge/CMergedMail.h"

#include <QHash>
#include <QString>
#include <vector>

// Renders the Markdown of a template's mail (CommonMark) as a small HTML
// document that mail programs show as it is meant: UTF-8, inline styles only,
// no script, no font from elsewhere, and a line break wherever the Markdown
// has one. Raw HTML in the template is dropped, and links to javascript:,
// vbscript:, file: or data: addresses lose their address. The placeholders
// are filled into the parsed document's text, code, link addresses and
// titles, so a value is always text: it adds no markup, link or image.
//
// An image written as a file name inside the start folder goes with the mail
// as a related part; one on the web (http, https) stays a link to it. Any
// other image is a problem of the mail, and the HTML shows its description
// in its place. The renderer looks at each image file once.
//
// Nothing here throws.
class CMarkdownRenderer {
public:
    explicit CMarkdownRenderer(const QString& strStartDir);

    CHtmlMail Render(const CMergedMail& mail);

private:
    struct ImageFile {
        enum class Kind { InFolder, OnTheWeb, Problem } kind;
        QString strPath; // InFolder: absolute, symbolic links resolved
        CHtmlMail::ImageProblem problem = CHtmlMail::ImageProblem::Missing;
    };

    static void FillPlaceholders(const std::vector<cmark_node*>& nodes,
                                 const CPlaceholders& values);
    void PlaceImages(const std::vector<cmark_node*>& images, CHtmlMail& html);
    ImageFile Resolve(const QString& strAddress);
    ImageFile Locate(const QString& strAddress) const;

    QString m_strStartDir;
    QString m_strCanonicalStartDir;
    QHash<QString, ImageFile> m_resolved;
    CCmarkArena m_arena;
};
