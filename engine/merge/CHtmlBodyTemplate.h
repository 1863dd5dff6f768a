#pragma once

#include "engine/merge/CPlaceholders.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// A Markdown template's HTML body, rendered once for all its rows with marks
// where the values go, and kept as the pieces between them. A row's body is
// the pieces joined by its values, each escaped as the HTML renderer escapes
// text, so it is byte for byte what rendering the row's filled document
// gives, at a fraction of the cost. Nothing here throws.
class CHtmlBodyTemplate {
public:
    // The marks are characters of the Private Use Area: a placeholder in
    // text or in code is rendered as the mark plus its index; the mail's
    // Content-ID token goes into image addresses, which percent-encode it.
    static constexpr char16_t kTextMark = 0xE000;
    static constexpr char16_t kCodeMark = 0xE010;
    static constexpr char16_t kTokenMark = 0xE020;

    CHtmlBodyTemplate() = default;
    // Splits the body rendered with marks at every mark.
    explicit CHtmlBodyTemplate(QByteArrayView html);

    // True when text of the template holds nothing that could be taken for
    // a mark once rendered.
    static bool IsFreeOfMarks(QStringView text);

    // The body for one row's values and its mail's Content-ID token.
    QByteArray Fill(const CPlaceholders& values, QByteArrayView token) const;

private:
    enum class Slot { Text, Code, Token, End };
    struct Piece {
        QByteArray html; // what the renderer wrote before the slot
        Slot slot;
        int nIndex; // the placeholder's, for Text and Code
    };

    std::vector<Piece> m_pieces;
};
