#include "engine/contacts/MailAddressRule.h"

#include "mapi32/CMailAddress.h"

bool IsAcceptedAddress(const QString& strAddress) {
    const QByteArray utf8 = strAddress.toUtf8();
    return CMailAddress::IsPlain(std::string_view(utf8.constData(), size_t(utf8.size())));
}
