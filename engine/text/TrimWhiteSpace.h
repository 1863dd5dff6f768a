#pragma once

#include <QString>
#include <QStringView>

// Removes the blanks, tabs, carriage returns, line feeds, vertical tabs and
// form feeds at both ends of a text. QString::trimmed would also take other
// Unicode spaces (a no-break space, for one), which belong to the user's text.
inline bool IsTrimmedWhiteSpace(QChar ch) {
    switch (ch.unicode()) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\n':
    case u'\v':
    case u'\f':
        return true;
    default:
        return false;
    }
}

inline QString TrimWhiteSpace(QStringView text) {
    qsizetype nBegin = 0;
    qsizetype nEnd = text.size();
    while (nBegin < nEnd && IsTrimmedWhiteSpace(text[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsTrimmedWhiteSpace(text[nEnd - 1]))
        --nEnd;
    return text.sliced(nBegin, nEnd - nBegin).toString();
}
