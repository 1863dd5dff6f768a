#include "engine/contacts/CIdnAddress.h"

#include <algorithm>
#include <idn2.h>
#include <memory>

namespace {

bool IsAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

struct IdnFree {
    void operator()(char* pText) const { idn2_free(pText); }
};

} // namespace

QString CIdnAddress::AsciiForm(const QString& strAddress) {
    const qsizetype nAt = strAddress.lastIndexOf(u'@');
    if (nAt < 0)
        return strAddress;
    const QStringView local = QStringView(strAddress).first(nAt);
    const QStringView domain = QStringView(strAddress).sliced(nAt + 1);
    if (IsAscii(domain) || !IsAscii(local))
        return strAddress;
    char* pAscii = nullptr;
    if (idn2_to_ascii_8z(domain.toUtf8().constData(), &pAscii, IDN2_NONTRANSITIONAL | IDN2_NFC_INPUT) !=
        IDN2_OK)
        return strAddress;
    const std::unique_ptr<char, IdnFree> pOwned(pAscii);
    return local.toString() + u'@' + QString::fromLatin1(pAscii);
}
