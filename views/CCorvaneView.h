#pragma once

#include "platform/mfc/CTimerMap.h"
#include "platform/mfc/CView.h"
#include "views/CTextLayout.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QSize>
#include <QString>

class QPainter;
class QPrinter;

// The text window's view: shows the clipboard's text, following it while auto
// update is on, or the mail preview that was waiting when the window opened.
// The text is drawn word-wrapped to the window's width, one screen line every
// 16 pixels; only the lines inside the area being painted are drawn, and the
// layout is kept until the text or the width changes.
class CCorvaneView : public QAbstractScrollArea, public CView {
    Q_OBJECT

public:
    explicit CCorvaneView(QWidget* pParent = nullptr);
    ~CCorvaneView() override;

    void OnInitialUpdate() override;

    void OnTimer(unsigned nIDEvent);
    void OnSize();
    void OnAutoUpdate();
    void OnUpdateAutoUpdate(CCmdUI* pCmdUI);
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnFileSave();
    void OnUpdateFileSave(CCmdUI* pCmdUI);

    // Printer settings every print starts from: sensible margins and the
    // window's title as the document name.
    void OnPreparePrinting(QPrinter& printer) const;
    // Prints the text laid out for the printer's page, page after page.
    // False when the printer could not be started.
    bool OnPrint(QPrinter* pPrinter);
    // Writes the text the window shows to strPathName, replacing the file
    // only once the whole text is written. False (and a message) on failure;
    // false, and the file untouched, when the window shows no text.
    bool SaveText(const QString& strPathName);

    const QString& GetText() const { return m_strText; }
    bool IsAutoUpdate() const { return m_bAutoUpdate; }
    bool IsTimerRunning() const { return m_timers.IsActive(kClipboardTimer); }
    // The layout for the text and the current client width.
    const CTextLayout& GetLayout();
    // The scrollable size as last fitted to the text.
    QSize GetTotalSize() const { return m_sizeTotal; }
    QPoint GetScrollPosition() const;

protected:
    void OnDraw(QPainter* pDC, const QRect& rcPaint);
    void PaintText(QPainter* pDC, const QRect& rcPaint);

    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void scrollContentsBy(int nDx, int nDy) override;

private:
    static constexpr unsigned kClipboardTimer = 1;
    static constexpr int kTimerPeriod = 300;
    static constexpr int kMargin = 10;

    void SetScrollSizes(const QSize& sizeTotal);
    void UpdateBars();
    void ScrollToTop();
    void RedrawNow();
    void PrintOrReport(QPrinter* pPrinter);
    QString SuggestedFileName() const;
    bool HasTextToSave() const { return !m_strText.isEmpty(); }

    bool m_bRecalcScroll = true; // fit the scroll sizes to the text at the next drawing
    bool m_bAutoUpdate = true;
    QString m_strClipboard;     // the clipboard text of the latest tick
    QString m_strLastClipboard; // the clipboard text last taken over
    QString m_strText;          // the text shown

    CTimerMap m_timers;
    CTextLayout m_layout;
    QFont m_font;
    QSize m_sizeTotal;
};
