// A text window among the main frame's windows: Save follows whether it shows
// text, and it draws all of itself when the frame's windows grow.

#include "CAppFixture.h"
#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "platform/mfc/AfxRes.h"
#include "res/Resource.h"
#include "views/CCorvaneView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLines = 100;
constexpr int kTopMargin = 10;
constexpr int kLineHeight = 16;

// A way the frame's windows make the text window larger.
using Grow = std::function<void(CAppFixture&, QMdiSubWindow*)>;

QString NumberedLines() {
    QStringList arrLines;
    for (int i = 1; i <= kLines; ++i)
        arrLines << u"Line %1"_s.arg(i, 3, 10, QChar(u'0'));
    return arrLines.join(u"\r\n"_s);
}

// Opens a text window the way Preview Mail does, with the text waiting.
QMdiSubWindow* OpenTextWindow(CAppFixture& app, const QString& strText) {
    g_strPreviewText = strText;
    app.Command(ID_FILE_NEW);
    g_strPreviewText.clear();
    return app.Frame()->GetMdiArea()->activeSubWindow();
}

// What the screen shows of the view's client area: the frame's window as the
// display has it, not a fresh rendering of the view.
QImage ShownClientArea(CMainFrame* pFrame, CCorvaneView* pView) {
    const QImage frame = pFrame->screen()->grabWindow(pFrame->winId()).toImage();
    const QWidget* pViewport = pView->viewport();
    return frame.copy(QRect(pViewport->mapTo(pFrame, QPoint(0, 0)), pViewport->size()));
}

bool HasTextPixel(const QImage& image, int nTop, const QColor& colorText) {
    for (int y = nTop; y < nTop + kLineHeight; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colorText)
                return true;
        }
    }
    return false;
}

// The numbers (from 1) of the text lines lying wholly between nTop and the
// bottom of the client area that the screen shows without any text on them.
QList<int> BlankLinesBelow(CMainFrame* pFrame, CCorvaneView* pView, int nTop) {
    const QImage image = ShownClientArea(pFrame, pView);
    const QColor colorText = pView->viewport()->palette().color(QPalette::Text);
    QList<int> arrBlank;
    for (int i = 0; i < kLines; ++i) {
        const int y = kTopMargin + i * kLineHeight;
        if (y >= nTop && y + kLineHeight <= image.height() && !HasTextPixel(image, y, colorText))
            arrBlank.append(i + 1);
    }
    return arrBlank;
}

} // namespace

class TestAppTextWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        g_strPreviewText.clear();
        QGuiApplication::clipboard()->clear();
    }

    void saveOnlyWithText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("clipboard window, nothing copied") << QString() << false;
        QTest::newRow("window with text") << u"Dear Sir"_s << true;
    }
    void saveOnlyWithText() {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        CAppFixture app;
        QVERIFY(app.IsReady());
        QVERIFY(OpenTextWindow(app, text));
        app.Frame()->UpdateCommandUI();
        QCOMPARE(app.Frame()->GetCommandAction(ID_FILE_SAVE)->isEnabled(), enabled);
    }

    void growingWindowDrawsItsNewPart_data() {
        QTest::addColumn<Grow>("grow");
        QTest::newRow("Window Tile")
            << Grow([](CAppFixture& app, QMdiSubWindow*) { app.Command(ID_WINDOW_TILE_HORZ); });
        QTest::newRow("frame dragged larger")
            << Grow([](CAppFixture&, QMdiSubWindow* pWindow) { pWindow->resize(700, 500); });
        QTest::newRow("maximised")
            << Grow([](CAppFixture&, QMdiSubWindow* pWindow) { pWindow->showMaximized(); });
    }
    void growingWindowDrawsItsNewPart() {
        QFETCH(Grow, grow);
        CAppFixture app;
        QVERIFY(app.IsReady());
        QMdiSubWindow* pWindow = OpenTextWindow(app, NumberedLines());
        QVERIFY(pWindow);
        auto* pView = pWindow->findChild<CCorvaneView*>(u"textView"_s);
        QVERIFY(pView);
        pWindow->resize(300, 200);
        QTRY_COMPARE(BlankLinesBelow(app.Frame(), pView, 0), QList<int>());
        const int nShownBefore = pView->viewport()->height();

        grow(app, pWindow);
        QTRY_VERIFY(pView->viewport()->height() > nShownBefore + 4 * kLineHeight);
        QTRY_COMPARE(BlankLinesBelow(app.Frame(), pView, nShownBefore), QList<int>());
    }
};

QTEST_MAIN(TestAppTextWindow)
#include "tst_app_textwindow.moc"
