#include "engine/merge/CHtmlBodyTemplate.h"

namespace {

// Every mark is U+E000 to U+E03F: in UTF-8 these two bytes and a third that
// tells which.
constexpr QByteArrayView kMarkLead = "\xEE\x80";
// A mark as an address carries it, and the token mark so.
constexpr QLatin1StringView kEncodedLead("%EE%80");
constexpr QByteArrayView kEncodedToken = "%EE%80%A0";

constexpr int LastByte(char16_t chMark) {
    return 0x80 | (chMark & 0x3F);
}

// The renderer's escaping of text: these four characters and no others.
const char* Entity(char ch) {
    switch (ch) {
    case '"':
        return "&quot;";
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    default:
        return nullptr;
    }
}

void AppendEscaped(QByteArray& html, QByteArrayView text) {
    qsizetype nCopied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const char* pszEntity = Entity(text[i])) {
            html += text.sliced(nCopied, i - nCopied);
            html += pszEntity;
            nCopied = i + 1;
        }
    }
    html += text.sliced(nCopied);
}

// A value's line breaks (CR LF, CR or LF) are the mail's, as the renderer
// writes a hard break.
void AppendTextLines(QByteArray& html, QByteArrayView text) {
    qsizetype nLine = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        AppendEscaped(html, text.sliced(nLine, i - nLine));
        html += "<br />\n";
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        nLine = i + 1;
    }
    AppendEscaped(html, text.sliced(nLine));
}

} // namespace

CHtmlBodyTemplate::CHtmlBodyTemplate(QByteArrayView html) {
    qsizetype nCopied = 0;
    qsizetype i = 0;
    while (i < html.size()) {
        const QByteArrayView rest = html.sliced(i);
        Slot slot = Slot::End;
        int nIndex = 0;
        qsizetype nLength = 0;
        if (rest.startsWith(kMarkLead) && rest.size() > kMarkLead.size()) {
            const int nLast = static_cast<unsigned char>(rest[kMarkLead.size()]);
            nLength = kMarkLead.size() + 1;
            nIndex = nLast - LastByte(kTextMark);
            slot = Slot::Text;
            if (nIndex < 0 || nIndex >= CPlaceholders::kCount) {
                nIndex = nLast - LastByte(kCodeMark);
                slot = Slot::Code;
            }
            if (nIndex < 0 || nIndex >= CPlaceholders::kCount)
                slot = Slot::End;
        } else if (rest.startsWith(kEncodedToken)) {
            slot = Slot::Token;
            nLength = kEncodedToken.size();
        }
        if (slot == Slot::End) {
            ++i;
            continue;
        }
        m_pieces.push_back({html.sliced(nCopied, i - nCopied).toByteArray(), slot, nIndex});
        i += nLength;
        nCopied = i;
    }
    m_pieces.push_back({html.sliced(nCopied).toByteArray(), Slot::End, 0});
}

bool CHtmlBodyTemplate::IsFreeOfMarks(QStringView text) {
    for (const QChar ch : text) {
        if (ch.unicode() >= kTextMark && ch.unicode() < kTextMark + 0x40)
            return false;
    }
    return !text.contains(kEncodedLead, Qt::CaseInsensitive);
}

QByteArray CHtmlBodyTemplate::Fill(const CPlaceholders& values, QByteArrayView token) const {
    QByteArray html;
    html.reserve(4096);
    for (const Piece& piece : m_pieces) {
        html += piece.html;
        switch (piece.slot) {
        case Slot::Text:
            AppendTextLines(html, values.Value(piece.nIndex).toUtf8());
            break;
        case Slot::Code:
            AppendEscaped(html, values.Value(piece.nIndex).toUtf8());
            break;
        case Slot::Token:
            html += token;
            break;
        case Slot::End:
            break;
        }
    }
    return html;
}
