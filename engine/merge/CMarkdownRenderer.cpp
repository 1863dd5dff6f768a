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
    {"<blockquote>", "<blockquote style=\"margin: 0 0 1em 0; padding: 0 0 0 12px; "
                     "border-left: 3px solid #cccccc; color: #555555;\">"},
    {"<pre>", "<pre style=\"background: #f4f4f4; padding: 8px 12px; white-space: pre-wrap; "
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
        const auto style =
            std::find_if(std::begin(kTagStyles), std::end(kTagStyles),
                         [rest](const TagStyle& tag) { return rest.starts_with(tag.strTag); });
        if (style == std::end(kTagStyles))
            continue;
        styled += html.sliced(nCopied, nTag - nCopied);
        styled.append(style->strStyled.data(), qsizetype(style->strStyled.size()));
        nCopied = nTag + qsizetype(style->strTag.size());
    }
    styled += html.sliced(nCopied);
    return styled;
}

QString Document(const QString& strTitle, QByteArrayView styledBody) {
    const QByteArray document =
        "<!DOCTYPE html>\n<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>" +
        strTitle.toHtmlEscaped().toUtf8() + "</title>\n</head>\n<body style=\"" + kBodyStyle +
        "\">\n" + styledBody + "</body>\n</html>\n";
    return QString::fromUtf8(document);
}

QString NewToken() {
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

// The document of the Markdown, in the current arena.
cmark_node* Parse(const QString& strMarkdown) {
    const QByteArray markdown = strMarkdown.toUtf8();
    cmark_parser* pParser = cmark_parser_new_with_mem(CMARK_OPT_DEFAULT, CCmarkArena::Memory());
    cmark_parser_feed(pParser, markdown.constData(), size_t(markdown.size()));
    cmark_node* pDocument = cmark_parser_finish(pParser);
    cmark_parser_free(pParser);
    cmark_consolidate_text_nodes(pDocument);
    return pDocument;
}

// Text and addresses take textValues, code takes codeValues.
void FillPlaceholders(const std::vector<cmark_node*>& nodes, const CPlaceholders& textValues,
                      const CPlaceholders& codeValues) {
    for (cmark_node* pNode : nodes) {
        switch (cmark_node_get_type(pNode)) {
        case CMARK_NODE_TEXT:
            if (MayHoldPlaceholder(cmark_node_get_literal(pNode)))
                SetTextLines(pNode, textValues.Fill(TextOf(cmark_node_get_literal(pNode))));
            break;
        case CMARK_NODE_CODE:
        case CMARK_NODE_CODE_BLOCK:
            if (MayHoldPlaceholder(cmark_node_get_literal(pNode)))
                cmark_node_set_literal(
                    pNode,
                    codeValues.Fill(TextOf(cmark_node_get_literal(pNode))).toUtf8().constData());
            break;
        default:
            if (MayHoldPlaceholder(cmark_node_get_url(pNode)))
                cmark_node_set_url(
                    pNode, textValues.Fill(TextOf(cmark_node_get_url(pNode))).toUtf8().constData());
            if (MayHoldPlaceholder(cmark_node_get_title(pNode)))
                cmark_node_set_title(
                    pNode,
                    textValues.Fill(TextOf(cmark_node_get_title(pNode))).toUtf8().constData());
            break;
        }
    }
}

bool HoldsPlaceholder(const char* pszText) {
    if (!MayHoldPlaceholder(pszText))
        return false;
    const QString strText = TextOf(pszText);
    return CPlaceholders::Marks(CHtmlBodyTemplate::kTextMark).Fill(strText) != strText;
}

// Whether the template can be rendered once with marks for its values: none
// of its text looks like a mark, and no placeholder is in an address or a
// title, which the renderer checks and encodes as a whole.
bool CanRenderOnce(const std::vector<cmark_node*>& nodes) {
    for (cmark_node* pNode : nodes) {
        for (const char* pszText :
             {cmark_node_get_literal(pNode), cmark_node_get_url(pNode), cmark_node_get_title(pNode),
              cmark_node_get_fence_info(pNode)}) {
            if (pszText && !CHtmlBodyTemplate::IsFreeOfMarks(TextOf(pszText)))
                return false;
        }
        if (HoldsPlaceholder(cmark_node_get_url(pNode)) ||
            HoldsPlaceholder(cmark_node_get_title(pNode)))
            return false;
    }
    return true;
}

// An image's description is rendered as an attribute, line breaks as
// blanks, unlike the text that the marks stand for.
bool AnyMarkInImage(const std::vector<cmark_node*>& nodes) {
    for (cmark_node* pNode : nodes) {
        const char* pszLiteral = cmark_node_get_literal(pNode);
        if (!pszLiteral || !std::strstr(pszLiteral, "\xEE\x80"))
            continue;
        for (cmark_node* pParent = cmark_node_parent(pNode); pParent;
             pParent = cmark_node_parent(pParent)) {
            if (cmark_node_get_type(pParent) == CMARK_NODE_IMAGE)
                return true;
        }
    }
    return false;
}

} // namespace

CMarkdownRenderer::CMarkdownRenderer(const QString& strStartDir)
    : m_strStartDir(QDir::cleanPath(QDir(strStartDir).absolutePath())),
      m_strCanonicalStartDir(QDir(strStartDir).canonicalPath()) {}

// A value with a zero byte takes the long way: cmark's texts end at one.
CHtmlMail CMarkdownRenderer::Render(const CMergedMail& mail) {
    const QString strToken = NewToken();
    const Compiled* pCompiled = Compile(mail.m_strMarkdown);
    if (!pCompiled || mail.m_placeholders.AnyValueHolds(QChar(u'\0')))
        return RenderTree(mail, strToken);
    CHtmlMail html;
    html.m_strHtml =
        Document(mail.m_strSubject, pCompiled->body.Fill(mail.m_placeholders, strToken.toLatin1()));
    html.m_images = pCompiled->images;
    for (CHtmlMail::Image& image : html.m_images)
        image.strContentId.replace(QChar(CHtmlBodyTemplate::kTokenMark), strToken);
    html.m_problems = pCompiled->problems;
    return html;
}

// The tree and the rendered body live in the arena until the end of this
// call.
CHtmlMail CMarkdownRenderer::RenderTree(const CMergedMail& mail, const QString& strToken) {
    const CCmarkArena::Scope scope(m_arena);
    cmark_node* pDocument = Parse(mail.m_strMarkdown);
    const Nodes nodes = Gather(pDocument);
    FillPlaceholders(nodes.placeholders, mail.m_placeholders, mail.m_placeholders);
    CHtmlMail html;
    html.m_strHtml =
        Document(mail.m_strSubject, Finish(pDocument, nodes.images, nodes.raw, strToken, html));
    return html;
}

// A few templates are kept: a mailing seldom uses more.
const CMarkdownRenderer::Compiled* CMarkdownRenderer::Compile(const QString& strMarkdown) {
    constexpr qsizetype kKept = 16;
    auto it = m_compiled.find(strMarkdown);
    if (it == m_compiled.end()) {
        if (m_compiled.size() >= kKept)
            m_compiled.clear();
        it = m_compiled.insert(strMarkdown, CompileOnce(strMarkdown));
    }
    return it->has_value() ? &it->value() : nullptr;
}

std::optional<CMarkdownRenderer::Compiled>
CMarkdownRenderer::CompileOnce(const QString& strMarkdown) {
    const CCmarkArena::Scope scope(m_arena);
    cmark_node* pDocument = Parse(strMarkdown);
    const Nodes nodes = Gather(pDocument);
    if (!CanRenderOnce(nodes.placeholders))
        return std::nullopt;
    FillPlaceholders(nodes.placeholders, CPlaceholders::Marks(CHtmlBodyTemplate::kTextMark),
                     CPlaceholders::Marks(CHtmlBodyTemplate::kCodeMark));
    CHtmlMail html;
    const QByteArray body = Finish(pDocument, nodes.images, nodes.raw,
                                   QString(QChar(CHtmlBodyTemplate::kTokenMark)), html);
    if (AnyMarkInImage(nodes.placeholders))
        return std::nullopt;
    return Compiled{CHtmlBodyTemplate(body), html.m_images, html.m_problems};
}

// Raw HTML is taken out of the tree, not left to the renderer, which would
// put a comment in its place.
QByteArray CMarkdownRenderer::Finish(cmark_node* pDocument, const std::vector<cmark_node*>& images,
                                     const std::vector<cmark_node*>& raw, const QString& strToken,
                                     CHtmlMail& html) {
    PlaceImages(images, strToken, html);
    for (cmark_node* pRaw : raw)
        cmark_node_unlink(pRaw);
    return Styled(QByteArrayView(cmark_render_html(pDocument, CMARK_OPT_HARDBREAKS)));
}

// Each file goes with the mail once, however often the Markdown shows it.
void CMarkdownRenderer::PlaceImages(const std::vector<cmark_node*>& images, const QString& strToken,
                                    CHtmlMail& html) {
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
