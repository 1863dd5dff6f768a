#pragma once

#include "engine/merge/CMailRow.h"

#include <QString>
#include <array>

// The values that fill one row's placeholders: #TODAY, #DATE, #PREFIX, #NAME
// and #MY_1 to #MY_5, the words matched exactly, letter case included.
// Nothing here throws.
class CPlaceholders {
public:
    static constexpr int kCount = 9;

    CPlaceholders() = default;
    CPlaceholders(const CMailRow& row, const QString& strToday);
    // Each placeholder's value one character, chFirst plus its index in the
    // order below: marks that show where the values go.
    static CPlaceholders Marks(char16_t chFirst);

    // Each placeholder in a pass of its own over the growing text, in the
    // order above: a value that holds a later placeholder word (a name with
    // "#MY_1" in it) has that word filled too. Text templates fill this way.
    QString FillInSequence(QString strText) const;
    // Every placeholder in one pass: a value is text and is never searched
    // for placeholders itself. Markdown templates fill this way.
    QString Fill(QStringView text) const;

    // The value of the placeholder at nIndex, 0 to kCount - 1.
    const QString& Value(int nIndex) const { return m_arrValues[size_t(nIndex)]; }
    bool AnyValueHolds(QChar ch) const;

private:
    static const std::array<QString, kCount>& Words();
    // The index of the placeholder word that text starts with, or -1.
    static int WordAt(QStringView text);

    std::array<QString, kCount> m_arrValues;
};
