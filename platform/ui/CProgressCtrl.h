#pragma once

#include <QPointer>
#include <QRect>

class QProgressBar;
class QWidget;

// The progress-bar control: an object that may or may not have a window.
class CProgressCtrl {
public:
    CProgressCtrl();
    ~CProgressCtrl();
    CProgressCtrl(const CProgressCtrl&) = delete;
    CProgressCtrl& operator=(const CProgressCtrl&) = delete;

    bool Create(const QRect& rect, QWidget* pParent);
    bool DestroyWindow();
    QProgressBar* GetSafeHwnd() const;

    void SetRange(int nLower, int nUpper);
    int SetPos(int nPos);
    int SetStep(int nStep);

private:
    QPointer<QProgressBar> m_pBar;
    int m_nStep = 10;
};
