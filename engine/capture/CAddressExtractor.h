#pragma once

#include <QString>

// Finds the mail address in a text taken from the clipboard. Nothing here
// throws.
class CAddressExtractor {
public:
    // The text trimmed, from after the first marker found of "email=",
    // "Mailto:" and "mailto:" (in that order) to its end; the whole trimmed
    // text when none is there; empty when the text holds no '@'.
    static QString Extract(const QString& strText);
};
