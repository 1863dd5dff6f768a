#include "engine/merge/CMarkdownRenderer.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <cmark.h>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// Mail programs take no style sheet and no web font: each element that needs
// a look of its own carries it, in fonts every system has.
constexpr const char* kBodyStyle =
    "font-family: Arial, Helvetica, sans-serif; font-size: 15px; line-height: 1.5; "
    "color: #1f1f1f;";
struct TagStyle {
    std::string_view strTag;
    std::string_view strStyled;
};
constexpr TagStyle kTagStyles[] = {
    {"<img ", "<img style=\"max-width: 100%; height: auto; border: 0;\" "},
    {"<a href=", "<a style=\"color: #1a5fb4;\" href="},
    {"<blockquote>",
     "<blockquote style=\"margin: 0 0 1em 0; padding: 0 0 0 12px; "
     "border-left: 3px solid #cccccc; color: #555555;\">"},
    {"<pre>",
     "<pre style=\"background: #f4f4f4; padding: 8px 12px; white-space: pre-wrap; "
     "font-size: 13px;\">"},
    {"<code>", "<code style=\"font-family: 'Courier New', Courier, monospace;\">"},
    {"<code class=", "<code style=\"font-family: 'Courier New', Courier, monospace;\" class="},
};

QString TextOf(const char* pszText) {
    return QString::fromUtf8(pszText ? pszText : "");
}

// Placeholders all start with '#'; a text without one is left alone.
bool MayHoldPlaceholder(const char* pszText) {
    return pszText != nullptr && std::strchr(pszText, '#') != nullptr;
}

// The nodes the renderer changes, in document order, gathered in one walk:
// the tree may change only after it.
struct Nodes {
    std::vector<cmark_node*> placeholders; // text, code, links and images
    std::vector<cmark_node*> images;
    std::vector<cmark_node*> raw; // HTML blocks and inline HTML
};

Nodes Gather(cmark_node* pDocument) {
    Nodes nodes;
    const std::unique_ptr<cmark_iter, decltype(&cmark_iter_free)> iter(cmark_iter_new(pDocument),
                                                                      &cmark_iter_free);
    for (cmark_event_type event = cmark_iter_next(iter.get()); event != CMARK_EVENT_DONE;
         event = cmark_iter_next(iter.get())) {
        if (event != CMARK_EVENT_ENTER)
            continue;
        cmark_node* pNode = cmark_iter_get_node(iter.get());
        switch (cmark_node_get_type(pNode)) {
        case CMARK_NODE_IMAGE:
            nodes.images.push_back(pNode);
            [[fallthrough]];
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
        case CMARK_NODE_CODE_BLOCK:
        case CMARK_NODE_LINK:
            nodes.placeholders.push_back(pNode);
            break;
        case CMARK_NODE_HTML_BLOCK:
        case CMARK_NODE_HTML_INLINE:
            nodes.raw.push_back(pNode);
            break;
        default:
            break;
        }
    }
    return nodes;
}

// A value's line breaks are the mail's: each line after the first follows a
// hard break of its own.
void SetTextLines(cmark_node* pText, QString strText) {
    strText.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    const QStringList arrLines = strText.split(u'\n');
    cmark_node_set_literal(pText, arrLines.first().toUtf8().constData());
    cmark_node* pLast = pText;
    for (qsizetype i = 1; i < arrLines.size(); ++i) {
        cmark_node* pBreak = cmark_node_new_with_mem(CMARK_NODE_LINEBREAK, CCmarkArena::Memory());
        cmark_node* pLine = cmark_node_new_with_mem(CMARK_NODE_TEXT, CCmarkArena::Memory());
        cmark_node_set_literal(pLine, arrLines[i].toUtf8().constData());
        cmark_node_insert_after(pLast, pBreak);
        cmark_node_insert_after(pBreak, pLine);
        pLast = pLine;
    }
}

// The image gives way to its description, which the HTML then shows as text.
void ReplaceByDescription(cmark_node* pImage) {
    while (cmark_node* pChild = cmark_node_first_child(pImage))
        cmark_node_insert_before(pImage, pChild);
    cmark_node_unlink(pImage);
}

bool IsInFolder(const QString& strPath, const QString& strFolder) {
    if (strFolder.isEmpty())
        return false;
    return strPath.startsWith(strFolder.endsWith(u'/') ? strFolder : strFolder + u'/');
}

// One pass over the renderer's output: every '<' there starts a tag, since
// the text's own are written as "&lt;".
QByteArray Styled(QByteArrayView html) {
    QByteArray styled;
    styled.reserve(html.size() + html.size() / 4);
    qsizetype nCopied = 0;
    for (qsizetype nTag = html.indexOf('<'); nTag >= 0; nTag = html.indexOf('<', nTag + 1)) {
        const std::string_view rest(html.data() + nTag, size_t(html.size() - nTag));
        const auto style = std::find_if(std::begin(kTagStyles), std::end(kTagStyles),
                                        [rest](const TagStyle& tag) {
                                            return rest.starts_with(tag.strTag);
                                        });
        if (style == std::end(kTagStyles))
            continue;
        styled += html.sliced(nCopied, nTag - nCopied);
        styled.append(style->strStyled.data(), qsizetype(style->strStyled.size()));
        nCopied = nTag + qsizetype(style->strTag.size());
    }
    styled += html.sliced(nCopied);
    return styled;
}

QString Document(const QString& strTitle, QByteArrayView body) {
    const QByteArray document =
        "<!DOCTYPE html>\n<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>" +
        strTitle.toHtmlEscaped().toUtf8() + "</title>\n</head>\n<body style=\"" + kBodyStyle +
        "\">\n" + Styled(body) + "</body>\n</html>\n";
    return QString::fromUtf8(document);
}

} // namespace

CMarkdownRenderer::CMarkdownRenderer(const QString& strStartDir)
    : m_strStartDir(QDir::cleanPath(QDir(strStartDir).absolutePath())),
      m_strCanonicalStartDir(QDir(strStartDir).canonicalPath()) {}

// Raw HTML is taken out of the tree, not left to the renderer, which would
// put a comment in its place. The tree and the rendered body live in the
// arena until the end of this call.
CHtmlMail CMarkdownRenderer::Render(const CMergedMail& mail) {
    const CCmarkArena::Scope scope(m_arena);
    const QByteArray markdown = mail.m_strMarkdown.toUtf8();
    cmark_parser* pParser = cmark_parser_new_with_mem(CMARK_OPT_DEFAULT, CCmarkArena::Memory());
    cmark_parser_feed(pParser, markdown.constData(), size_t(markdown.size()));
    cmark_node* pDocument = cmark_parser_finish(pParser);
    cmark_parser_free(pParser);
    cmark_consolidate_text_nodes(pDocument);
    const Nodes nodes = Gather(pDocument);
    FillPlaceholders(nodes.placeholders, mail.m_placeholders);
    CHtmlMail html;
    PlaceImages(nodes.images, html);
    for (cmark_node* pRaw : nodes.raw)
        cmark_node_unlink(pRaw);
    const char* pszBody = cmark_render_html(pDocument, CMARK_OPT_HARDBREAKS);
    html.m_strHtml = Document(mail.m_strSubject, QByteArrayView(pszBody));
    return html;
}

void CMarkdownRenderer::FillPlaceholders(const std::vector<cmark_node*>& nodes,
                                         const CPlaceholders& values) {
    for (cmark_node* pNode : nodes) {
        switch (cmark_node_get_type(pNode)) {
        case CMARK_NODE_TEXT:
            if (MayHoldPlaceholder(cmark_node_get_literal(pNode)))
                SetTextLines(pNode, values.Fill(TextOf(cmark_node_get_literal(pNode))));
            break;
        case CMARK_NODE_CODE:
        case CMARK_NODE_CODE_BLOCK:
            if (MayHoldPlaceholder(cmark_node_get_literal(pNode)))
                cmark_node_set_literal(
                    pNode, values.Fill(TextOf(cmark_node_get_literal(pNode))).toUtf8().constData());
            break;
        default:
            if (MayHoldPlaceholder(cmark_node_get_url(pNode)))
                cmark_node_set_url(
                    pNode, values.Fill(TextOf(cmark_node_get_url(pNode))).toUtf8().constData());
            if (MayHoldPlaceholder(cmark_node_get_title(pNode)))
                cmark_node_set_title(
                    pNode, values.Fill(TextOf(cmark_node_get_title(pNode))).toUtf8().constData());
            break;
        }
    }
}

// Each file goes with the mail once, however often the Markdown shows it.
void CMarkdownRenderer::PlaceImages(const std::vector<cmark_node*>& images, CHtmlMail& html) {
    const QString strToken =
        QString::number(QRandomGenerator::global()->generate64(), 16);
    QHash<QString, QString> contentIds;
    for (cmark_node* pImage : images) {
        const QString strAddress = TextOf(cmark_node_get_url(pImage));
        const ImageFile file = Resolve(strAddress);
        if (file.kind == ImageFile::Kind::OnTheWeb)
            continue;
        if (file.kind == ImageFile::Kind::Problem) {
            html.m_problems.append({strAddress, file.problem});
            ReplaceByDescription(pImage);
            continue;
        }
        QString& strContentId = contentIds[file.strPath];
        if (strContentId.isEmpty()) {
            strContentId = QStringLiteral("image%1.%2@corvane")
                               .arg(QString::number(html.m_images.size() + 1), strToken);
            html.m_images.append({file.strPath, strContentId});
        }
        cmark_node_set_url(pImage, (QStringLiteral("cid:") + strContentId).toUtf8().constData());
    }
}

CMarkdownRenderer::ImageFile CMarkdownRenderer::Resolve(const QString& strAddress) {
    const auto it = m_resolved.constFind(strAddress);
    if (it != m_resolved.constEnd())
        return *it;
    const ImageFile file = Locate(strAddress);
    m_resolved.insert(strAddress, file);
    return file;
}

// Only an address without a scheme names a file: "file:", "data:" and the
// like are refused, and http and https are the links a mail program may
// follow. A name is taken as the Markdown writes it, percent-encoding undone
// ("my%20logo.png").
CMarkdownRenderer::ImageFile CMarkdownRenderer::Locate(const QString& strAddress) const {
    using Kind = ImageFile::Kind;
    using Problem = CHtmlMail::ImageProblem;
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch match = scheme.match(strAddress);
    if (match.hasMatch()) {
        const QString strScheme = match.captured(1).toLower();
        if (strScheme == u"http" || strScheme == u"https")
            return {Kind::OnTheWeb, QString()};
        return {Kind::Problem, QString(), Problem::OutsideFolder};
    }
    const QString strName = QUrl::fromPercentEncoding(strAddress.toUtf8());
    if (strName.isEmpty())
        return {Kind::Problem, QString(), Problem::Missing};
    if (QDir::isAbsolutePath(strName))
        return {Kind::Problem, QString(), Problem::OutsideFolder};
    const QString strPath = QDir::cleanPath(m_strStartDir + u'/' + strName);
    const QFileInfo info(strPath);
    const QString strCanonical = info.canonicalFilePath();
    if (strCanonical.isEmpty()) {
        return {Kind::Problem, QString(),
                IsInFolder(strPath, m_strStartDir) ? Problem::Missing : Problem::OutsideFolder};
    }
    if (!IsInFolder(strCanonical, m_strCanonicalStartDir))
        return {Kind::Problem, QString(), Problem::OutsideFolder};
    if (!info.isFile() || !info.isReadable())
        return {Kind::Problem, QString(), Problem::Missing};
    return {Kind::InFolder, strCanonical};
}

