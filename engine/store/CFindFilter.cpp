#include "engine/store/CFindFilter.h"

#include "platform/dao/CSqlText.h"

QString CFindFilter::Criteria(const QString& strFind) {
    return QStringLiteral("[Date] LIKE '*%1*' OR [EMail] LIKE '*%1*' OR [Prefix] LIKE '*%1*' OR "
                          "[Name] LIKE '*%1*' OR [Template] LIKE '*%1*' OR [MY_1] LIKE '*%1*' OR "
                          "[MY_2] LIKE '*%1*' OR [MY_3] LIKE '*%1*' OR [MY_4] LIKE '*%1*' OR "
                          "[MY_5] LIKE '*%1*'")
        .arg(CSqlText::EscapeQuotes(strFind));
}
