#pragma once

#include <QByteArrayView>
#include <QString>

// Turns the bytes of a template file into text. Templates written on Linux are
// UTF-8; templates written on Windows are Windows-1252. A text that is valid
// UTF-8 is read as UTF-8, anything else as Windows-1252, so both keep working
// without the user saying which is which.
class CTemplateDecoder {
public:
    // bCutAtLimit: the bytes end where a size limit cut the file short. A
    // character split by that cut is dropped instead of counting as invalid.
    static QString Decode(QByteArrayView bytes, bool bCutAtLimit);

    static QString FromWindows1252(QByteArrayView bytes);

    // The length of the leading part of bytes that is valid UTF-8, or -1 when
    // bytes hold an invalid sequence. With bCutAtLimit a sequence that is
    // valid as far as it goes may end the bytes; it is left out of the length.
    static qsizetype ValidUtf8Length(QByteArrayView bytes, bool bCutAtLimit);
};
