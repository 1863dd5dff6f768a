#pragma once

#include "store/CAddressDatabase.h"

#include <QString>

// The status bar's progress indicator for the length of one operation: the
// label and the bar appear when this is made, and the bar goes away when it
// is destroyed, also when the operation fails. Throws nothing.
class CProgressIndicator {
public:
    CProgressIndicator(CAddressDatabase& db, const QString& strLabel) : m_db(db) {
        m_db.StartProgress(strLabel);
    }
    ~CProgressIndicator() { Destroy(); }
    CProgressIndicator(const CProgressIndicator&) = delete;
    CProgressIndicator& operator=(const CProgressIndicator&) = delete;

    // After nDone of nCount: 100 * nDone / nCount, whole numbers only.
    void SetPos(qint64 nDone, qint64 nCount) {
        if (nCount > 0)
            m_db.m_wndProgress.SetPos(int(qMin<qint64>(100, 100 * nDone / nCount)));
    }
    void Destroy() { m_db.m_wndProgress.DestroyWindow(); }

private:
    CAddressDatabase& m_db;
};
