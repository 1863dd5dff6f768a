#pragma once

#include <QList>
#include <QStatusBar>
#include <QString>

class QLabel;

// A status bar with panes given by indicator ids. Pane 0 (ID_SEPARATOR)
// stretches and carries messages; the others are fixed-width indicators.
// Pane rectangles are in the status bar's own client coordinates, so a child
// placed there (the progress bar) lies over the pane.
class CStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit CStatusBar(QWidget* pParent = nullptr);
    ~CStatusBar() override;

    bool SetIndicators(const unsigned* pIDArray, int nIDCount);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    unsigned GetItemID(int nIndex) const;
    int CommandToIndex(unsigned nIDFind) const;

    bool SetPaneText(int nIndex, const QString& strText, bool bUpdate = true);
    QString GetPaneText(int nIndex) const;
    // A lock-key indicator (CAP, NUM, SCRL): its text while on, empty while off.
    void SetIndicator(int nIndex, bool bOn);
    void GetItemRect(int nIndex, QRect* pRect) const;

private:
    QList<unsigned> m_ids;
    QList<QLabel*> m_panes;
};
