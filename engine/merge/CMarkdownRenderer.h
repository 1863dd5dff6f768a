#pragma once

#include "engine/merge/CCmarkArena.h"
#include "engine/merge/CHtmlBodyTemplate.h"
#include "engine/merge/CHtmlMail.h"
#include "engine/merge/CMergedMail.h"

#include <QHash>
#include <QString>
#include <optional>
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
// A template whose placeholders are all in text or code (not in an address,
// a title or an image's description) is parsed and rendered once, and each
// row's values are escaped into the kept HTML; the result is the same.
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
    // A template rendered once for all its rows; its images' Content-IDs
    // hold the token mark.
    struct Compiled {
        CHtmlBodyTemplate body;
        QList<CHtmlMail::Image> images;
        QList<CHtmlMail::Problem> problems;
    };

    CHtmlMail RenderTree(const CMergedMail& mail, const QString& strToken);
    const Compiled* Compile(const QString& strMarkdown);
    std::optional<Compiled> CompileOnce(const QString& strMarkdown);
    QByteArray Finish(cmark_node* pDocument, const std::vector<cmark_node*>& images,
                      const std::vector<cmark_node*>& raw, const QString& strToken,
                      CHtmlMail& html);
    void PlaceImages(const std::vector<cmark_node*>& images, const QString& strToken,
                     CHtmlMail& html);
    ImageFile Resolve(const QString& strAddress);
    ImageFile Locate(const QString& strAddress) const;

    QString m_strStartDir;
    QString m_strCanonicalStartDir;
    QHash<QString, ImageFile> m_resolved;
    QHash<QString, std::optional<Compiled>> m_compiled;
    CCmarkArena m_arena;
};
