#pragma once

#include "engine/merge/CMailRow.h"

#include <QString>
#include <array>

// The values that fill one row's placeholders: #TODAY, #DATE, #PREFIX, #NAME
// and #MY_1 to #MY_5, the words matched exactly, letter case included.
// Nothing here throws.
class CPlaceholders {
public:
    CPlaceholders() = default;
    CPlaceholders(const CMailRow& row, const QString& strToday);

    // Each placeholder in a pass of its own over the growing text, in the
    // order above: a value that holds a later placeholder word (a name with
    // "#MY_1" in it) has that word filled too. Text templates fill this way.
    QString FillInSequence(QString strText) const;
    // Every placeholder in one pass: a value is text and is never searched
    // for placeholders itself. Markdown templates fill this way.
    QString Fill(QStringView text) const;

private:
    static constexpr int kCount = 9;
    static const std::array<QString, kCount>& Words();
    // The index of the placeholder word that text starts with, or -1.
    static int WordAt(QStringView text);

    std::array<QString, kCount> m_arrValues;
};
