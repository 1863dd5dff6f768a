#pragma once

#include <QString>

// An address whose domain is written in other than ASCII letters
// (mia@münchen.de), in the form mail goes out with: the domain in its
// IDNA2008 ASCII form (xn--mnchen-3ya.de), made by libidn2 as the mail
// library checks it. Nothing here throws.
class CIdnAddress {
public:
    // The address with its domain in ASCII form; the address as it is when
    // its domain is ASCII already, its local part is not ASCII (no ASCII form
    // exists for that) or IDNA2008 does not allow the domain's name.
    static QString AsciiForm(const QString& strAddress);
};
