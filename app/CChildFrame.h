#pragma once

#include "platform/mfc/CMDIChildWnd.h"

// The MDI child window of both kinds of window: one view, titled after its
// document, with the framework's default styles.
class CChildFrame : public CMDIChildWnd {
    Q_OBJECT

public:
    explicit CChildFrame(QWidget* pParent = nullptr);
    ~CChildFrame() override;
};
