#include "engine/merge/CPlaceholders.h"

#include <algorithm>

CPlaceholders::CPlaceholders(const CMailRow& row, const QString& strToday)
    : m_arrValues{strToday,       row.m_strDate,  row.m_strPrefix, row.m_strName, row.m_arrMy[0],
                  row.m_arrMy[1], row.m_arrMy[2], row.m_arrMy[3],  row.m_arrMy[4]} {}

CPlaceholders CPlaceholders::Marks(char16_t chFirst) {
    CPlaceholders marks;
    for (int i = 0; i < kCount; ++i)
        marks.m_arrValues[size_t(i)] = QChar(char16_t(chFirst + i));
    return marks;
}

bool CPlaceholders::AnyValueHolds(QChar ch) const {
    return std::any_of(m_arrValues.begin(), m_arrValues.end(),
                       [ch](const QString& strValue) { return strValue.contains(ch); });
}

const std::array<QString, CPlaceholders::kCount>& CPlaceholders::Words() {
    static const std::array<QString, kCount> words = {
        QStringLiteral("#TODAY"), QStringLiteral("#DATE"), QStringLiteral("#PREFIX"),
        QStringLiteral("#NAME"),  QStringLiteral("#MY_1"), QStringLiteral("#MY_2"),
        QStringLiteral("#MY_3"),  QStringLiteral("#MY_4"), QStringLiteral("#MY_5")};
    return words;
}

QString CPlaceholders::FillInSequence(QString strText) const {
    for (int i = 0; i < kCount; ++i)
        strText.replace(Words()[i], m_arrValues[i]);
    return strText;
}

// No placeholder word is the start of another, so the first that matches is
// the one.
int CPlaceholders::WordAt(QStringView text) {
    for (int i = 0; i < kCount; ++i) {
        if (text.startsWith(Words()[i]))
            return i;
    }
    return -1;
}

QString CPlaceholders::Fill(QStringView text) const {
    QString strFilled;
    qsizetype nCopied = 0;
    for (qsizetype nHash = text.indexOf(u'#'); nHash >= 0; nHash = text.indexOf(u'#', nHash)) {
        const int nWord = WordAt(text.sliced(nHash));
        if (nWord < 0) {
            ++nHash;
            continue;
        }
        strFilled += text.sliced(nCopied, nHash - nCopied);
        strFilled += m_arrValues[nWord];
        nHash += Words()[nWord].size();
        nCopied = nHash;
    }
    if (nCopied == 0)
        return text.toString();
    strFilled += text.sliced(nCopied);
    return strFilled;
}
