#pragma once

#include <QString>

// One field of an index and its sort direction.
class CDaoIndexFieldInfo {
public:
    QString m_strName;
    bool m_bDescending = false;
};
