#pragma once

#include <QFrame>

class CMDIFrameWnd;
class QMdiArea;

// What the main window's empty area shows while no child window is open:
// what Corvane does, in one line, and buttons for the first steps (Import
// Addresses..., Add Address, Mail Settings..., the sample template, Show
// Table). A button runs its command, and is enabled when the command is.
class CStartPanel : public QFrame {
    Q_OBJECT

public:
    explicit CStartPanel(CMDIFrameWnd* pFrame);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void AddButton(CMDIFrameWnd* pFrame, unsigned nID, QLayout* pLayout);
    // Shown, in the middle of the area, exactly when no child window is open.
    void Place();

    QMdiArea* m_pArea;
};
