#pragma once

#include <QString>

// The mail library's rule for the one recipient address, applied to the
// program's texts: an address it refuses here the library would refuse too,
// so a row can be checked before anything is sent. Nothing here throws.
class CAddressRule {
public:
    // True when the library takes strEMail, handed over as the program hands
    // it (UTF-8, an optional "SMTP:" address type), as a plain local@domain.
    static bool IsPlain(const QString& strEMail);
};
