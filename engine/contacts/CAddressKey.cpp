#include "engine/contacts/CAddressKey.h"

#include <QString>

CAddressKey CAddressKey::Of(QStringView address) {
    QString strFolded = address.toString();
    for (QChar& c : strFolded)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    const size_t nSeed = QHashSeed::globalSeed();
    CAddressKey key;
    key.m_nFirst = qHash(QStringView(strFolded), nSeed);
    key.m_nSecond = qHash(QStringView(strFolded), ~nSeed ^ 0x9E3779B97F4A7C15ULL);
    return key;
}
