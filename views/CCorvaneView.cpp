#include "views/CCorvaneView.h"

#include "views/Globals.h"
#include "platform/mfc/CCmdUI.h"
#include "platform/mfc/CDocument.h"
#include "platform/ui/MessageBoxes.h"
#include "res/Resource.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {

// The layout counts in pixels of a 96-dpi screen; a printer's page is scaled
// to them so that paper shows the same lines a window of that width would.
constexpr qreal kScreenDpi = 96.0;
constexpr qreal kPrintMarginMillimeters = 20.0;

} // namespace

CCorvaneView::CCorvaneView(QWidget* pParent) : QAbstractScrollArea(pParent), CView(this) {
    setObjectName(u"textView"_s);
    m_font.setFamily(u"Times New Roman"_s);
    m_font.setPixelSize(CTextLayout::kLineHeight);

    ON_COMMAND(ID_AUTO_UPDATE, &CCorvaneView::OnAutoUpdate);
    ON_UPDATE_COMMAND_UI(ID_AUTO_UPDATE, &CCorvaneView::OnUpdateAutoUpdate);
    ON_COMMAND(ID_FILE_PRINT, &CCorvaneView::OnFilePrint);
    ON_COMMAND(ID_FILE_PRINT_DIRECT, &CCorvaneView::OnFilePrintDirect);
    ON_COMMAND(ID_FILE_PRINT_PREVIEW, &CCorvaneView::OnFilePrintPreview);
    ON_COMMAND(ID_FILE_SAVE, &CCorvaneView::OnFileSave);
    ON_UPDATE_COMMAND_UI(ID_FILE_SAVE, &CCorvaneView::OnUpdateFileSave);
}

CCorvaneView::~CCorvaneView() = default;

void CCorvaneView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    SetScrollSizes(QSize(100, 100));
    if (g_strPreviewText.isEmpty())
        m_timers.SetTimer(kClipboardTimer, kTimerPeriod, this);
    else
        m_strText = g_strPreviewText;
}

// Takes over the clipboard's text when it has changed since the last take-over;
// an empty clipboard, or one without text, leaves the window as it is.
void CCorvaneView::OnTimer(unsigned) {
    m_strClipboard = QGuiApplication::clipboard()->text();
    if (m_strClipboard.isEmpty() || m_strClipboard == m_strLastClipboard)
        return;
    m_strText = m_strClipboard;
    m_strLastClipboard = m_strClipboard;
    m_bRecalcScroll = true;
    ScrollToTop();
    RedrawNow();
}

// The redraw waits for the next paint: a resize arrives while the frames
// around the view are still taking their new sizes, and a repaint at once
// would be clipped to their old ones, leaving the newly shown area blank.
void CCorvaneView::OnSize() {
    ScrollToTop();
    m_bRecalcScroll = true;
    viewport()->update();
}

void CCorvaneView::OnAutoUpdate() {
    m_bAutoUpdate = !m_bAutoUpdate;
    if (m_bAutoUpdate)
        m_timers.SetTimer(kClipboardTimer, kTimerPeriod, this);
    else
        m_timers.KillTimer(kClipboardTimer);
}

void CCorvaneView::OnUpdateAutoUpdate(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bAutoUpdate ? 1 : 0);
}

void CCorvaneView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    OnPreparePrinting(printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        PrintOrReport(&printer);
}

void CCorvaneView::OnFilePrintDirect() {
    QPrinter printer(QPrinter::HighResolution);
    OnPreparePrinting(printer);
    PrintOrReport(&printer);
}

void CCorvaneView::OnFilePrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    OnPreparePrinting(printer);
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pPrinter) { OnPrint(pPrinter); });
    dialog.exec();
}

// Saving writes the text the window shows, under a name the user picks; the
// document itself holds nothing that could be written. A window that shows
// nothing has nothing to save, and must not empty the file it is pointed at.
void CCorvaneView::OnFileSave() {
    if (!HasTextToSave())
        return;
    const QString strPathName = QFileDialog::getSaveFileName(this, QString(), SuggestedFileName());
    if (!strPathName.isEmpty())
        SaveText(strPathName);
}

void CCorvaneView::OnPreparePrinting(QPrinter& printer) const {
    const qreal dMargin = kPrintMarginMillimeters;
    printer.setPageMargins(QMarginsF(dMargin, dMargin, dMargin, dMargin), QPageLayout::Millimeter);
    if (const CDocument* pDocument = GetDocument())
        printer.setDocName(pDocument->GetTitle());
}

bool CCorvaneView::OnPrint(QPrinter* pPrinter) {
    QPainter painter;
    if (!painter.begin(pPrinter))
        return false;
    const qreal dScale = pPrinter->resolution() / kScreenDpi;
    painter.scale(dScale, dScale);
    const QSizeF sizePage = QSizeF(pPrinter->width(), pPrinter->height()) / dScale;

    CTextLayout layout;
    layout.Update(m_strText, CTextLayout::CharsPerLine(int(sizePage.width())));
    const int nLinesPerPage = qMax(1, int(sizePage.height()) / CTextLayout::kLineHeight);

    painter.setFont(m_font);
    painter.setPen(Qt::black);
    const int nAscent = painter.fontMetrics().ascent();
    const QStringList& arrLines = layout.ScreenLines();
    for (qsizetype i = 0; i < arrLines.size(); ++i) {
        const int nRow = int(i % nLinesPerPage);
        if (i > 0 && nRow == 0)
            pPrinter->newPage();
        painter.drawText(0, nRow * CTextLayout::kLineHeight + nAscent, arrLines.at(i));
    }
    return painter.end();
}

void CCorvaneView::OnUpdateFileSave(CCmdUI* pCmdUI) {
    pCmdUI->Enable(HasTextToSave());
}

bool CCorvaneView::SaveText(const QString& strPathName) {
    if (!HasTextToSave())
        return false;
    QSaveFile file(strPathName);
    const QByteArray text = m_strText.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    WindowMessageBox(this, u"Can not save the text as \"%1\":\n%2"_s.arg(
                               QDir::toNativeSeparators(strPathName), file.errorString()));
    return false;
}

const CTextLayout& CCorvaneView::GetLayout() {
    m_layout.Update(m_strText, CTextLayout::CharsPerLine(viewport()->width()));
    return m_layout;
}

QPoint CCorvaneView::GetScrollPosition() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CCorvaneView::OnDraw(QPainter* pDC, const QRect& rcPaint) {
    if (GetDocument())
        PaintText(pDC, rcPaint);
}

// Draws the screen lines that reach into rcPaint, from x = 10 and, for the
// first line, y = 10 above the scroll position; then fits the scroll sizes to
// the text when a resize or a new text asked for it.
void CCorvaneView::PaintText(QPainter* pDC, const QRect& rcPaint) {
    const QStringList& arrLines = GetLayout().ScreenLines();
    const int nLineHeight = CTextLayout::kLineHeight;
    const int nTop = kMargin - verticalScrollBar()->value();
    pDC->setFont(m_font);
    pDC->setPen(viewport()->palette().color(QPalette::Text));
    const int nAscent = pDC->fontMetrics().ascent();

    // One line more on either side: glyphs may reach beyond their 16 pixels.
    const int nFirst = qMax(0, (rcPaint.top() - nTop) / nLineHeight - 1);
    const int nLast = qMin(int(arrLines.size()) - 1, (rcPaint.bottom() - nTop) / nLineHeight + 1);
    for (int i = nFirst; i <= nLast; ++i)
        pDC->drawText(kMargin, nTop + i * nLineHeight + nAscent, arrLines.at(i));

    if (m_bRecalcScroll) {
        const int nBottom = nTop + int(arrLines.size()) * nLineHeight;
        SetScrollSizes(QSize(viewport()->width() - 2 * kMargin, nBottom + 2 * kMargin));
        m_bRecalcScroll = false;
    }
}

void CCorvaneView::paintEvent(QPaintEvent* pEvent) {
    QPainter painter(viewport());
    OnDraw(&painter, pEvent->rect());
}

void CCorvaneView::resizeEvent(QResizeEvent*) {
    UpdateBars();
    OnSize();
}

void CCorvaneView::timerEvent(QTimerEvent* pEvent) {
    const unsigned nIDEvent = m_timers.IdOf(pEvent->timerId());
    if (nIDEvent != 0)
        OnTimer(nIDEvent);
    else
        QAbstractScrollArea::timerEvent(pEvent);
}

// The text moves with the vertical position only: horizontal scrolling never
// shifts it, as the scroll width always stays inside the window.
void CCorvaneView::scrollContentsBy(int, int nDy) {
    if (nDy != 0)
        viewport()->scroll(0, nDy);
}

void CCorvaneView::SetScrollSizes(const QSize& sizeTotal) {
    m_sizeTotal = sizeTotal;
    UpdateBars();
}

void CCorvaneView::UpdateBars() {
    const QSize sizeClient = viewport()->size();
    QScrollBar* pVertical = verticalScrollBar();
    pVertical->setPageStep(sizeClient.height());
    pVertical->setSingleStep(CTextLayout::kLineHeight);
    pVertical->setRange(0, qMax(0, m_sizeTotal.height() - sizeClient.height()));
    QScrollBar* pHorizontal = horizontalScrollBar();
    pHorizontal->setPageStep(sizeClient.width());
    pHorizontal->setRange(0, qMax(0, m_sizeTotal.width() - sizeClient.width()));
}

void CCorvaneView::ScrollToTop() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void CCorvaneView::RedrawNow() {
    viewport()->repaint();
}

void CCorvaneView::PrintOrReport(QPrinter* pPrinter) {
    if (!OnPrint(pPrinter))
        WindowMessageBox(this, u"The text could not be printed: the printer is not ready."_s);
}

QString CCorvaneView::SuggestedFileName() const {
    const CDocument* pDocument = GetDocument();
    if (!pDocument)
        return QString();
    if (!pDocument->GetPathName().isEmpty())
        return pDocument->GetPathName();
    QString strName = pDocument->GetTitle();
    strName.remove(u'"').replace(u'/', u'-');
    return strName + u".txt"_s;
}
