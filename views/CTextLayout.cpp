#include "views/CTextLayout.h"

#include "views/Globals.h"

namespace {

const QChar kLineFeed = u'\n';
const QChar kBlank = u' ';
const QString kTabWidth = QStringLiteral("   ");

// The white space that a continuation line loses at its start: the C
// library's blank characters, not the wider Unicode set.
bool IsWhiteSpace(QChar ch) {
    return ch == kBlank || ch == u'\t' || ch == u'\n' || ch == u'\v' || ch == u'\f' || ch == u'\r';
}

qsizetype SkipWhiteSpace(const QString& strLine, qsizetype nFrom) {
    while (nFrom < strLine.size() && IsWhiteSpace(strLine.at(nFrom)))
        ++nFrom;
    return nFrom;
}

// A line ends before its line feed. The character just before it belongs to
// the line ending when it is the carriage return of CR LF text, or the blank
// that a preview block puts at the end of each of its lines; any other
// character (a bare line feed's text) is kept.
QString SourceLine(const QString& strText, qsizetype nStart, qsizetype nLineFeed) {
    qsizetype nEnd = nLineFeed;
    if (nEnd > nStart) {
        const QChar chLast = strText.at(nEnd - 1);
        if (chLast == u'\r' || chLast == kBlank)
            --nEnd;
    }
    return strText.mid(nStart, nEnd - nStart);
}

// Where a screen line that must break at nLimit characters ends: after its
// last blank within the limit, else hard at the limit, keeping a surrogate
// pair whole.
qsizetype BreakPosition(const QString& strLine, qsizetype nFrom, int nLimit) {
    const qsizetype nBlank = strLine.lastIndexOf(kBlank, nFrom + nLimit - 1);
    if (nBlank >= nFrom)
        return nBlank;
    qsizetype nBreak = nFrom + nLimit;
    if (strLine.at(nBreak - 1).isHighSurrogate() && strLine.at(nBreak).isLowSurrogate())
        nBreak += nLimit > 1 ? -1 : 1;
    return nBreak;
}

} // namespace

int CTextLayout::CharsPerLine(int nWidth) {
    return qMax(1, int(nWidth * 2.6 / kLineHeight));
}

QStringList CTextLayout::SourceLines(const QString& strText) {
    QStringList arrLines;
    qsizetype nStart = 0;
    for (qsizetype nLineFeed = strText.indexOf(kLineFeed); nLineFeed >= 0;
         nLineFeed = strText.indexOf(kLineFeed, nStart)) {
        arrLines.append(SourceLine(strText, nStart, nLineFeed));
        nStart = nLineFeed + 1;
    }
    arrLines.append(strText.mid(nStart));
    for (QString& strLine : arrLines)
        strLine.replace(u'\t', kTabWidth);
    return arrLines;
}

int CTextLayout::WrapLine(const QString& strLine, int nCharsPerLine, QStringList& arrScreenLines) {
    const int nLimit = qMax(1, nCharsPerLine);
    g_nWrapLines = 1;
    qsizetype nFrom = 0;
    while (strLine.size() - nFrom > nLimit) {
        const qsizetype nBreak = BreakPosition(strLine, nFrom, nLimit);
        arrScreenLines.append(strLine.mid(nFrom, nBreak - nFrom));
        nFrom = SkipWhiteSpace(strLine, nBreak);
        ++g_nWrapLines;
    }
    arrScreenLines.append(strLine.mid(nFrom));
    return g_nWrapLines;
}

void CTextLayout::Update(const QString& strText, int nCharsPerLine) {
    const int nLimit = qMax(1, nCharsPerLine);
    if (Holds(strText, nLimit))
        return;
    m_arrScreenLines.clear();
    for (const QString& strLine : SourceLines(strText))
        WrapLine(strLine, nLimit, m_arrScreenLines);
    m_strText = strText;
    m_nCharsPerLine = nLimit;
}

bool CTextLayout::Holds(const QString& strText, int nCharsPerLine) const {
    return m_nCharsPerLine > 0 && m_nCharsPerLine == nCharsPerLine &&
           m_strText.size() == strText.size() && m_strText.constData() == strText.constData();
}
