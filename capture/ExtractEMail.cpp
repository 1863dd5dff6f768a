#include "engine/capture/CAddressExtractor.h"
#include "store/CAddressDatabase.h"

QString CAddressDatabase::ExtractEMail(QString strText) {
    return CAddressExtractor::Extract(strText);
}
