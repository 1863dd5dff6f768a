// Repaint time of a text window that holds the preview of 1,000 mails, as a
// ratio to the repaint of a window that holds the preview of one mail.
//
// Run on Qt's offscreen platform: QT_QPA_PLATFORM=offscreen ./bench_textview

#include "views/Globals.h"
#include "views/CCorvaneDoc.h"
#include "views/CCorvaneView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRepaints = 300;

// One preview block as Preview Mail formats it, for the nth address, with a
// body of CR LF lines of which some are long enough to wrap.
QString PreviewBlock(int n) {
    const QString strAddress = u"customer%1@example.com"_s.arg(n);
    const QString strBody =
        u"Dear Dr. Smith,\r\n\r\n"
        "thank you for your order of last week. We are glad to tell you that all of the "
        "items you chose are in stock and will leave our warehouse within the next two days, "
        "packed with care and insured for their full value.\r\n\r\n"
        "Please find our price list and our terms of delivery attached. Should you have any "
        "question, reply to this mail or call us on weekdays between nine and five.\r\n\r\n"
        "Kind regards,\r\n\r\nJane Doe\r\nOstwick Trading\r\n12 Harbour Road\r\nPortsea"_s;
    const QString strHeader = u"================= %1 ================="_s.arg(strAddress);
    return u"%1 \n\nTo:\t\t\t\t\t%2 \nSubject:\t\t\t%3 \nAttachments:\t%4 \n\n\n%5 \n\n\n"_s.arg(
        strHeader, strAddress, u"Your order %1"_s.arg(n), u"prices.pdf, terms.pdf"_s, strBody);
}

QString PreviewText(int nMails) {
    QString strText;
    for (int n = 1; n <= nMails; ++n)
        strText += PreviewBlock(n);
    return strText;
}

struct Window {
    explicit Window(const QString& strPreview) {
        g_strPreviewText = strPreview;
        auto* pDocument = new CCorvaneDoc;
        pDocument->OnNewDocument();
        view.SetDocument(pDocument);
        view.OnInitialUpdate();
        g_strPreviewText.clear();
        view.resize(800, 600);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            std::fprintf(stderr, "the window was not shown; run with QT_QPA_PLATFORM=offscreen\n");
    }

    // Mean time of one repaint of the whole window, in microseconds.
    double RepaintMicroseconds() {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kRepaints; ++i)
            view.viewport()->repaint();
        return timer.nsecsElapsed() / 1000.0 / kRepaints;
    }

    CCorvaneView view;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString strThousand = PreviewText(1000);

    Window one(PreviewText(1));
    QElapsedTimer firstPaint;
    firstPaint.start();
    Window thousand(strThousand);
    thousand.view.viewport()->repaint();
    const double dOpenMs = firstPaint.nsecsElapsed() / 1e6;

    one.RepaintMicroseconds(); // warm up fonts and caches
    thousand.RepaintMicroseconds();
    const double dOne = one.RepaintMicroseconds();
    const double dThousand = thousand.RepaintMicroseconds();
    QScrollBar* pBar = thousand.view.verticalScrollBar();
    pBar->setValue(pBar->maximum() / 2);
    const double dMiddle = thousand.RepaintMicroseconds();

    std::printf("preview of 1,000 mails: %lld characters, %d screen lines\n",
                static_cast<long long>(strThousand.size()),
                thousand.view.GetLayout().ScreenLineCount());
    std::printf("open and first paint of the 1,000-mail window: %.1f ms\n", dOpenMs);
    std::printf("repaint, 1 mail:      %8.1f us\n", dOne);
    std::printf("repaint, 1,000 mails: %8.1f us\n", dThousand);
    std::printf("repaint, 1,000 mails scrolled to the middle: %8.1f us\n", dMiddle);
    std::printf("ratio 1,000 : 1 = %.2f (target at most 5)\n", dThousand / dOne);
    return 0;
}
