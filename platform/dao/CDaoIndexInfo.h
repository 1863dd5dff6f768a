#pragma once

#include "platform/dao/CDaoIndexFieldInfo.h"

#include <QList>
#include <QString>

// The description of an index: its name, its fields and its flags.
class CDaoIndexInfo {
public:
    QString m_strName;
    QList<CDaoIndexFieldInfo> m_fieldInfos;
    bool m_bPrimary = false;
    bool m_bUnique = false;
    bool m_bClustered = false;
    bool m_bIgnoreNulls = false;
    bool m_bRequired = false;
    bool m_bForeign = false;
};
