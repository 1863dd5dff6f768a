// Address extraction and the exact-address lookup of the clipboard capture.
// The input is the clipboard's text (UTF-8). The address is a tail of the
// trimmed text, or nothing when the text holds no '@'; looking it up in a
// real address file finds the one stored record exactly when the address is
// that record's, letter case of ASCII letters aside, quotes and all.

#include "merge/TrimWhiteSpace.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const QString kStored = QStringLiteral("O'Brien-Smith+news@Example.com");

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

// The comparison of the EMail field's collation: ASCII letters without case.
bool EqualIgnoringAsciiCase(const QString& strA, const QString& strB) {
    if (strA.size() != strB.size())
        return false;
    for (qsizetype i = 0; i < strA.size(); ++i) {
        char16_t chA = strA[i].unicode();
        char16_t chB = strB[i].unicode();
        chA = chA >= u'A' && chA <= u'Z' ? chA + (u'a' - u'A') : chA;
        chB = chB >= u'A' && chB <= u'Z' ? chB + (u'a' - u'A') : chB;
        if (chA != chB)
            return false;
    }
    return true;
}

CAddressDatabase* g_pStore = nullptr;

} // namespace

// A store in a folder of its own, with one record; any message box is a fault.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QTemporaryDir folder;
    Require(folder.isValid() && QDir::setCurrent(folder.path()), "no temporary folder");
    SetMessageBoxHandler([](const MessageBoxCall& call) -> int {
        fprintf(stderr, "message box: %s\n", qPrintable(call.strText));
        abort();
    });
    static CAddressDatabase store;
    Require(store.OpenOrCreate(), "the address file cannot be made");
    Require(store.SaveRecord({QStringLiteral("0"), QStringLiteral("12/07/26"), kStored,
                              QStringLiteral("Mr"), QStringLiteral("Sean O'Brien"),
                              QStringLiteral("Offer.txt"), QStringLiteral("1"), QStringLiteral("2"),
                              QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")},
                             true),
            "the record cannot be saved");
    g_pStore = &store;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QString strText =
        QString::fromUtf8(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const QString strTrimmed = TrimWhiteSpace(strText);
    const QString strEMail = g_pStore->ExtractEMail(strText);
    if (!strTrimmed.contains(u'@')) {
        Require(strEMail.isEmpty(), "an address from a text without '@'");
        return 0;
    }
    Require(strTrimmed.endsWith(strEMail), "the address is not the end of the text");
    Require(g_pStore->FindByEMail(strEMail) == EqualIgnoringAsciiCase(strEMail, kStored),
            "the lookup does not find exactly the stored address");
    return 0;
}
