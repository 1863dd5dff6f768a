#include "engine/address/CAddressRule.h"

#include "engine/address/CMailAddress.h"

bool CAddressRule::IsPlain(const QString& strEMail) {
    const QByteArray address = strEMail.toUtf8();
    return CMailAddress::IsPlain(
        CMailAddress::WithoutType(std::string_view(address.constData(), size_t(address.size()))));
}
