#pragma once

#include <QString>
#include <QStringList>

// The text window's layout: the text cut into source lines at its line feeds,
// and every source line word-wrapped into screen lines of at most a given
// number of characters. That number is estimated from a width in pixels (an
// average character of 16 / 2.6 pixels), not measured, so the layout depends
// on the width alone and is the same on screen and on paper.
//
// A layout is kept until the text or the limit changes, so a repaint of a long
// text costs only the drawing of its visible lines.
class CTextLayout {
public:
    static constexpr int kLineHeight = 16; // the font's cell height in pixels

    // Characters per screen line for a width in pixels; never less than 1, so
    // that wrapping always moves on.
    static int CharsPerLine(int nWidth);
    // The text's source lines, tabs already widened to three blanks.
    static QStringList SourceLines(const QString& strText);
    // Appends the screen lines of one source line and returns their number,
    // which g_nWrapLines also holds afterwards.
    static int WrapLine(const QString& strLine, int nCharsPerLine, QStringList& arrScreenLines);

    // Lays strText out unless the layout held is already that of strText and
    // nCharsPerLine.
    void Update(const QString& strText, int nCharsPerLine);
    int ScreenLineCount() const { return int(m_arrScreenLines.size()); }
    const QStringList& ScreenLines() const { return m_arrScreenLines; }

private:
    bool Holds(const QString& strText, int nCharsPerLine) const;

    QString m_strText; // shares its data with the text laid out, which proves it unchanged
    int m_nCharsPerLine = 0;
    QStringList m_arrScreenLines;
};
