#include "views/Globals.h"
#include "platform/mfc/CCmdUI.h"
#include "platform/ui/MessageBoxes.h"
#include "res/Resource.h"
#include "views/CCorvaneDoc.h"
#include "views/CCorvaneView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Counts the paint events that reach a widget.
class PaintCounter : public QObject {
public:
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint)
            ++m_nPaints;
        return false;
    }
};

// A text window as its template builds it: a new document, the view attached,
// the initial update, shown with a client area of the size asked for.
struct TextWindow {
    explicit TextWindow(int nClientWidth = 600, int nClientHeight = 400) {
        auto* pDocument = new CCorvaneDoc;
        pDocument->OnNewDocument();
        m_pDocument = pDocument;
        m_view.SetDocument(pDocument);
        m_view.OnInitialUpdate();
        m_view.show();
        if (!QTest::qWaitForWindowExposed(&m_view))
            qWarning("text window not exposed");
        SetClientSize(nClientWidth, nClientHeight);
    }

    void SetClientSize(int nWidth, int nHeight) {
        QWidget* pViewport = m_view.viewport();
        m_view.resize(nWidth + m_view.width() - pViewport->width(),
                      nHeight + m_view.height() - pViewport->height());
        QTRY_COMPARE_WITH_TIMEOUT(pViewport->size(), QSize(nWidth, nHeight), 2000);
    }

    // Puts text on the clipboard and lets one timer tick take it over.
    void Copy(const QString& strText) {
        QGuiApplication::clipboard()->setText(strText);
        m_view.OnTimer(1);
    }

    // The scroll bar shows after the text that needs it; its arrival narrows
    // the client area, which scrolls the window back to the top.
    void WaitForScrollBar() { QTRY_VERIFY(m_view.verticalScrollBar()->isVisible()); }

    int Check() {
        CCmdUI cmdUI(ID_AUTO_UPDATE);
        m_view.OnCmdMsg(ID_AUTO_UPDATE, &cmdUI);
        return cmdUI.IsEnabled() ? cmdUI.GetCheck() : -1;
    }

    QPointer<CCorvaneDoc> m_pDocument;
    CCorvaneView m_view;
};

QString NumberedLines(int nFirst, int nLast) {
    QStringList arrLines;
    for (int i = nFirst; i <= nLast; ++i)
        arrLines << u"Line %1"_s.arg(i, 3, 10, QChar(u'0'));
    return arrLines.join(u"\r\n"_s);
}

QImage RenderRegion(QWidget* pWidget, const QRect& rcRegion) {
    QImage image(rcRegion.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    pWidget->render(&image, QPoint(), QRegion(rcRegion));
    return image;
}

QString RunTool(const QString& strProgram, const QStringList& arrArguments) {
    QProcess process;
    process.start(strProgram, arrArguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Answers the file dialog that asks for a name with strPath, and its question
// whether to replace the file with Yes; bNamed tells whether the name was
// given, and keeps it from being given twice.
// Either may take a few turns of its loop to come up; the question comes up
// inside the dialog's acceptance, which is therefore queued, so that a poll
// that called this can run again while the question waits.
void AnswerSaveDialogs(const QString& strPath, bool& bNamed) {
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal == nullptr || !pModal->isVisible())
        return;
    if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
        pBox->button(QMessageBox::Yes)->click();
        return;
    }
    auto* pDialog = qobject_cast<QFileDialog*>(pModal);
    if (pDialog == nullptr || bNamed)
        return;
    bNamed = true;
    pDialog->selectFile(strPath);
    QMetaObject::invokeMethod(static_cast<QDialog*>(pDialog), &QDialog::accept,
                              Qt::QueuedConnection);
}

} // namespace

// The text window: taking over the clipboard, auto update, the preview text,
// drawing and scroll sizes, printing and saving.
class TestTextView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void newDocumentTitle();
    void newTextShownFromTheTop();
    void sameOrNoTextChangesNothing();
    void autoUpdateSwitchesTimer();
    void previewTextShownWithoutTimer();
    void scrollSizesFitText_data();
    void scrollSizesFitText();
    void longTextScrolls();
    void resizeScrollsToTop();
    void scrolledPaintMatchesText();
    void paintsWithPaletteColours();
    void printsToPdf();
    void printPreviewShowsPages();
    void printDirectWithoutPrinterReported();
    void saveWritesShownText();
    void saveCommandAsksForName();
    void saveFailureIsReported();
    void saveNeedsText_data();
    void saveNeedsText();
};

void TestTextView::init() {
    g_strPreviewText.clear();
    QGuiApplication::clipboard()->clear();
    SetMessageBoxHandler({});
}

void TestTextView::newDocumentTitle() {
    CCorvaneDoc document;
    QVERIFY(document.OnNewDocument());
    QCOMPARE(document.GetTitle(), u"Clipboard contens"_s);
}

void TestTextView::newTextShownFromTheTop() {
    TextWindow window;
    window.Copy(NumberedLines(1, 100));
    window.WaitForScrollBar();
    window.m_view.verticalScrollBar()->setValue(200);

    window.Copy(u"short text"_s);
    QCOMPARE(window.m_view.GetText(), u"short text"_s);
    QCOMPARE(window.m_view.GetScrollPosition(), QPoint(0, 0));
    QCOMPARE(window.m_view.GetTotalSize().height(), 30 + 16);
}

void TestTextView::sameOrNoTextChangesNothing() {
    TextWindow window;
    window.Copy(NumberedLines(1, 100));
    window.WaitForScrollBar();
    window.m_view.verticalScrollBar()->setValue(200);
    QCoreApplication::processEvents();
    PaintCounter counter;
    window.m_view.viewport()->installEventFilter(&counter);

    window.Copy(NumberedLines(1, 100));
    QGuiApplication::clipboard()->clear();
    window.m_view.OnTimer(1);
    auto* pPicture = new QMimeData;
    pPicture->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(pPicture);
    window.m_view.OnTimer(1);

    QCOMPARE(window.m_view.GetText(), NumberedLines(1, 100));
    QCOMPARE(window.m_view.GetScrollPosition(), QPoint(0, 200));
    QCOMPARE(counter.m_nPaints, 0);
}

void TestTextView::autoUpdateSwitchesTimer() {
    TextWindow window;
    QVERIFY(window.m_view.IsTimerRunning());
    QCOMPARE(window.Check(), 1);

    QVERIFY(window.m_view.OnCmdMsg(ID_AUTO_UPDATE, nullptr));
    QVERIFY(!window.m_view.IsAutoUpdate());
    QVERIFY(!window.m_view.IsTimerRunning());
    QCOMPARE(window.Check(), 0);
    QGuiApplication::clipboard()->setText(u"not followed"_s);
    QTest::qWait(700);
    QCOMPARE(window.m_view.GetText(), QString());

    QVERIFY(window.m_view.OnCmdMsg(ID_AUTO_UPDATE, nullptr));
    QVERIFY(window.m_view.IsTimerRunning());
    QCOMPARE(window.Check(), 1);
    QTRY_COMPARE(window.m_view.GetText(), u"not followed"_s);
}

void TestTextView::previewTextShownWithoutTimer() {
    QGuiApplication::clipboard()->setText(u"clipboard text"_s);
    g_strPreviewText = u"================= a@b =================  \n\nTo:\t\t\t\t\ta@b \n"_s;
    TextWindow window;
    g_strPreviewText.clear();

    QCOMPARE(window.m_view.GetText(),
             u"================= a@b =================  \n\nTo:\t\t\t\t\ta@b \n"_s);
    QVERIFY(!window.m_view.IsTimerRunning());
    QCOMPARE(window.Check(), 1);
    QTest::qWait(700);
    QVERIFY(window.m_view.GetText().startsWith(u"================="_s));

    window.m_view.OnAutoUpdate();
    QVERIFY(!window.m_view.IsTimerRunning());
    QCOMPARE(window.Check(), 0);
    window.m_view.OnAutoUpdate();
    QVERIFY(window.m_view.IsTimerRunning());
    QTRY_COMPARE(window.m_view.GetText(), u"clipboard text"_s);
}

void TestTextView::scrollSizesFitText_data() {
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("screenLines");

    QTest::newRow("one short line") << 600 << u"Hello"_s << 1;
    QTest::newRow("200 letters at 600 pixels") << 600 << QString(200, u'x') << 3;
    QTest::newRow("97 letters at 600 pixels") << 600 << QString(97, u'x') << 1;
    QTest::newRow("words at 100 pixels") << 100 << u"aaaa bbbb cccc dddd"_s << 2;
    QTest::newRow("CR LF lines") << 600 << u"a\r\nb\r\nc\r\n"_s << 4;
    QTest::newRow("narrower than one character") << 5 << u"abc"_s << 3;
    QTest::newRow("preview block")
        << 600
        << u"================= a@b =================  \n\nTo:\t\t\t\t\ta@b \nSubject:\t\t\tHi "
           u"\nAttachments:\t \n\n\nDear Sir \n\n\n"_s
        << 11;
}

void TestTextView::scrollSizesFitText() {
    QFETCH(int, clientWidth);
    QFETCH(QString, text);
    QFETCH(int, screenLines);

    TextWindow window(clientWidth);
    window.Copy(text);
    QCOMPARE(window.m_view.GetLayout().ScreenLineCount(), screenLines);
    QCOMPARE(window.m_view.GetTotalSize(), QSize(clientWidth - 20, 30 + 16 * screenLines));
    QCOMPARE(window.m_view.horizontalScrollBar()->maximum(), 0);
}

void TestTextView::longTextScrolls() {
    TextWindow window(600, 400);
    window.Copy(NumberedLines(1, 100));
    window.WaitForScrollBar();
    QTRY_COMPARE(window.m_view.GetTotalSize().height(), 30 + 16 * 100);
    QCOMPARE(window.m_view.verticalScrollBar()->maximum(),
             30 + 16 * 100 - window.m_view.viewport()->height());
    QVERIFY(!window.m_view.horizontalScrollBar()->isVisible());
}

void TestTextView::resizeScrollsToTop() {
    TextWindow window(600, 400);
    window.Copy(NumberedLines(1, 100));
    window.WaitForScrollBar();
    window.m_view.verticalScrollBar()->setValue(300);

    window.SetClientSize(500, 300);
    QCOMPARE(window.m_view.GetScrollPosition(), QPoint(0, 0));
    QCOMPARE(window.m_view.GetTotalSize().width(), 500 - 20);
}

// Below its top margin, a window scrolled down by 40 lines shows what a window
// whose text starts 40 lines later shows; and a repaint of any band of it
// draws that band as the repaint of the whole window does.
void TestTextView::scrolledPaintMatchesText() {
    TextWindow scrolled(600, 400);
    scrolled.Copy(NumberedLines(1, 100));
    TextWindow unscrolled(600, 400);
    unscrolled.Copy(NumberedLines(41, 100));
    scrolled.WaitForScrollBar();
    unscrolled.WaitForScrollBar();
    QTRY_COMPARE(scrolled.m_view.GetTotalSize().height(), 30 + 16 * 100);
    scrolled.m_view.verticalScrollBar()->setValue(16 * 40);

    QWidget* pViewport = scrolled.m_view.viewport();
    const QRect rcBelowMargin(0, 16, pViewport->width(), pViewport->height() - 16);
    QCOMPARE(RenderRegion(pViewport, rcBelowMargin),
             RenderRegion(unscrolled.m_view.viewport(), rcBelowMargin));

    const QImage whole = RenderRegion(pViewport, pViewport->rect());
    for (const int nTop : {0, 5, 37, 200, 333}) {
        const QRect rcBand(0, nTop, pViewport->width(), 40);
        QCOMPARE(RenderRegion(pViewport, rcBand), whole.copy(rcBand));
    }
}

void TestTextView::paintsWithPaletteColours() {
    TextWindow window(300, 200);
    QPalette palette = window.m_view.palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, Qt::white);
    window.m_view.setPalette(palette);
    window.Copy(u"WWWW"_s);

    const QImage image = window.m_view.viewport()->grab().toImage();
    int nTextPixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool bBright = qGray(image.pixel(x, y)) > 128;
            const bool bInFirstLine = x >= 10 && y >= 10 && y < 30;
            QVERIFY2(!bBright || bInFirstLine, qPrintable(u"stray pixel at %1,%2"_s.arg(x).arg(y)));
            nTextPixels += bBright ? 1 : 0;
        }
    }
    QVERIFY(nTextPixels > 20);
}

void TestTextView::printsToPdf() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString strPdf = folder.filePath(u"text.pdf"_s);
    // Narrow letters: a line of w wide ones would run past the page's edge.
    const QString strLongWord(300, u'i');
    TextWindow window;
    window.Copy(NumberedLines(1, 150) + u"\nbare line feed\n"_s + strLongWord);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(strPdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    window.m_view.OnPreparePrinting(printer);
    QVERIFY(window.m_view.OnPrint(&printer));

    const QString strInfo = RunTool(u"pdfinfo"_s, {strPdf});
    QVERIFY2(strInfo.contains(QRegularExpression(u"Pages:\\s+3\\n"_s)), qPrintable(strInfo));
    const QString strText = RunTool(u"pdftotext"_s, {u"-layout"_s, strPdf, u"-"_s});
    QStringList arrLines = strText.split(QRegularExpression(u"[\\n\\f]"_s), Qt::SkipEmptyParts);
    for (QString& strLine : arrLines)
        strLine = strLine.trimmed();
    QCOMPARE(arrLines.mid(0, 150), NumberedLines(1, 150).split(u"\r\n"_s));
    QCOMPARE(arrLines.value(150), u"bare line feed"_s);
    QVERIFY(!strText.contains(strLongWord));
    QCOMPARE(arrLines.mid(151).join(QString()), strLongWord);
    QVERIFY(arrLines.size() > 152);
    const QString strFirstPage = RunTool(u"pdftotext"_s, {u"-l"_s, u"1"_s, strPdf, u"-"_s});
    QVERIFY(strFirstPage.contains(u"Line 001"_s));
    QVERIFY(!strFirstPage.contains(u"Line 150"_s));
}

void TestTextView::printPreviewShowsPages() {
    TextWindow window;
    window.Copy(NumberedLines(1, 150));
    int nPages = -1;
    QTimer::singleShot(0, &window.m_view, [&] {
        auto* pDialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!pDialog)
            return;
        if (auto* pPreview = pDialog->findChild<QPrintPreviewWidget*>())
            nPages = pPreview->pageCount();
        pDialog->reject();
    });
    QVERIFY(window.m_view.OnCmdMsg(ID_FILE_PRINT_PREVIEW, nullptr));
    QCOMPARE(nPages, 3);
}

// Without any printer a direct print tells the user instead of doing nothing.
void TestTextView::printDirectWithoutPrinterReported() {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("a printer is set up here; a direct print would reach it");
    QStringList arrMessages;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        arrMessages << call.strText;
        return IDOK;
    });
    TextWindow window;
    window.Copy(u"text for paper"_s);
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    QVERIFY(window.m_view.OnCmdMsg(ID_FILE_PRINT_DIRECT, nullptr));
    QCOMPARE(arrMessages.size(), 1);
}

void TestTextView::saveWritesShownText() {
    QTemporaryDir folder;
    const QString strPath = folder.filePath(u"saved.txt"_s);
    QFile existing(strPath);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("older content that is replaced");
    existing.close();

    TextWindow window;
    const QString strText = u"Grüße\nbare line feed\r\nand CR LF"_s;
    window.Copy(strText);
    QVERIFY(window.m_view.SaveText(strPath));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(existing.readAll()), strText);
}

void TestTextView::saveCommandAsksForName() {
    QTemporaryDir folder;
    const QString strPath = folder.filePath(u"picked.txt"_s);
    TextWindow window;
    window.Copy(u"text of the window"_s);

    bool bAnswered = false;
    QTimer::singleShot(0, &window.m_view, [&] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!pDialog)
            return;
        pDialog->selectFile(strPath);
        static_cast<QDialog*>(pDialog)->accept();
        bAnswered = true;
    });
    QVERIFY(window.m_view.OnCmdMsg(ID_FILE_SAVE, nullptr));
    QVERIFY(bAnswered);

    QFile saved(strPath);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("text of the window"));
}

void TestTextView::saveFailureIsReported() {
    QTemporaryDir folder;
    QStringList arrMessages;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        arrMessages << call.strText;
        return IDOK;
    });
    TextWindow window;
    window.Copy(u"some text"_s);

    QVERIFY(!window.m_view.SaveText(folder.filePath(u"missing/folder/text.txt"_s)));
    QCOMPARE(arrMessages.size(), 1);
    QVERIFY2(arrMessages.first().contains(u"missing/folder/text.txt"_s),
             qPrintable(arrMessages.first()));
}

// A window that shows nothing offers no Save, and even a direct call leaves
// the file it would have written as it was.
void TestTextView::saveNeedsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty window") << QString() << false << QByteArray("older content\r\n");
    QTest::newRow("window with text") << u"Grüße"_s << true << u"Grüße"_s.toUtf8();
}

void TestTextView::saveNeedsText() {
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    QFETCH(QByteArray, content);
    QTemporaryDir folder;
    const QString strPath = folder.filePath(u"kept.txt"_s);
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("older content\r\n");
    file.close();
    QStringList arrMessages;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        arrMessages << call.strText;
        return IDOK;
    });
    TextWindow window;
    if (!text.isEmpty())
        window.Copy(text);

    CCmdUI cmdUI(ID_FILE_SAVE);
    QVERIFY(window.m_view.OnCmdMsg(ID_FILE_SAVE, &cmdUI));
    QCOMPARE(cmdUI.IsEnabled(), enabled);

    bool bAsked = false;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, &answer, [&] { AnswerSaveDialogs(strPath, bAsked); });
    answer.start();
    window.m_view.OnFileSave();
    answer.stop();
    QCOMPARE(bAsked, enabled);
    QCOMPARE(window.m_view.SaveText(strPath), enabled);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(arrMessages, QStringList());
}

QTEST_MAIN(TestTextView)
#include "tst_textview.moc"
