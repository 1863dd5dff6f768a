// Preview Formatted Mail: the selected rows' mails as their recipients will
// see them, a Markdown template's with its images, one row at a time.

#include "CAppFixture.h"
#include "res/Resource.h"
#include "views/CListView_Table.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace {

const QString s_strName = u"<b>Jane</b> **Smith**"_s;
const QColor s_logoColour(200, 16, 32);

QWidget* PreviewWindow() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        if (pWidget->objectName() == u"formattedPreview" && pWidget->isVisible())
            return pWidget;
    }
    return nullptr;
}

QString LabelText(QWidget* pWindow, const QString& strName) {
    auto* pLabel = pWindow->findChild<QLabel*>(strName);
    return pLabel && pLabel->isVisibleTo(pWindow) ? pLabel->text() : u"(hidden)"_s;
}

// How many pixels of the browser's picture have the logo's colour.
int LogoPixels(QTextBrowser* pBrowser) {
    const QImage picture = pBrowser->viewport()->grab().toImage();
    int nPixels = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            nPixels += picture.pixelColor(x, y) == s_logoColour ? 1 : 0;
    }
    return nPixels;
}

} // namespace

class TestFormattedPreview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void showsEachSelectedRowsMail();
    void withoutSelectionTells();

private:
    std::unique_ptr<CAppFixture> m_pCorvane;
    CListView_Table* m_pTable = nullptr;
};

void TestFormattedPreview::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(s_logoColour);
    QVERIFY(logo.save(m_pCorvane->FilePath(u"logo.png"_s)));
    QVERIFY(m_pCorvane->WriteFile(u"offer.md"_s, "#SUBJECT Offer for #NAME\n"
                                                 "#ATTACHMENTS terms.pdf\n"
                                                 "![Our logo](logo.png)\n\n"
                                                 "Dear #NAME,\n\n![Stolen](../secret.png)\n"));
    QVERIFY(m_pCorvane->WriteFile(u"news.txt"_s, "#SUBJECT News\nHello #NAME\n"));
    m_pCorvane->AddAddresses({{u"jane@example.com"_s, u"Dr."_s, s_strName, u"offer.md"_s},
                              {u"lost@example.com"_s, u"Mr."_s, u"Lost"_s, u"missing.md"_s},
                              {u"bob@example.org"_s, u"Mr."_s, u"Bob"_s, u"news.txt"_s}});
    m_pCorvane->Command(ID_SHOW_TABLE);
    m_pTable = m_pCorvane->ActiveTable();
    QVERIFY(m_pTable != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(m_pTable));
}

void TestFormattedPreview::cleanup() {
    if (QWidget* pWindow = PreviewWindow())
        pWindow->close();
    m_pCorvane.reset();
}

// The Markdown row shows its HTML with the logo drawn from its file and the
// refused image named; the missing template is told in the window, not in a
// box; the text row shows its text.
void TestFormattedPreview::showsEachSelectedRowsMail() {
    m_pTable->selectAll();
    m_pCorvane->Command(ID_PREVIEW_FORMATTED);

    QWidget* pWindow = PreviewWindow();
    QVERIFY(pWindow != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(pWindow));
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    auto* pBrowser = pWindow->findChild<QTextBrowser*>(u"browserMail"_s);
    auto* pNext = pWindow->findChild<QPushButton*>(u"buttonNext"_s);
    QCOMPARE(LabelText(pWindow, u"labelTo"_s), u"jane@example.com"_s);
    QCOMPARE(LabelText(pWindow, u"labelSubject"_s), u"Offer for "_s + s_strName);
    QCOMPARE(LabelText(pWindow, u"labelAttachments"_s), u"terms.pdf"_s);
    QCOMPARE(LabelText(pWindow, u"labelProblems"_s),
             u"The image \"../secret.png\" is not a file in Corvane's folder."_s);
    QCOMPARE(LabelText(pWindow, u"labelPosition"_s), u"Mail 1 of 3"_s);
    QCOMPARE(pBrowser->toPlainText().trimmed(), u"\uFFFC\nDear "_s + s_strName + u",\nStolen"_s);
    QTRY_VERIFY(LogoPixels(pBrowser) >= 40 * 20);

    QTest::mouseClick(pNext, Qt::LeftButton);
    QCOMPARE(LabelText(pWindow, u"labelTo"_s), u"lost@example.com"_s);
    QCOMPARE(pBrowser->toPlainText(), u"Can not open a template file \"missing.md\""_s);
    QCOMPARE(LabelText(pWindow, u"labelProblems"_s), u"(hidden)"_s);
    QCOMPARE(LogoPixels(pBrowser), 0);

    QTest::mouseClick(pNext, Qt::LeftButton);
    QCOMPARE(LabelText(pWindow, u"labelSubject"_s), u"News"_s);
    QCOMPARE(pBrowser->toPlainText(), u"Hello Bob"_s);
    QCOMPARE(LabelText(pWindow, u"labelPosition"_s), u"Mail 3 of 3"_s);
    QVERIFY(!pNext->isEnabled());
    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
}

void TestFormattedPreview::withoutSelectionTells() {
    m_pCorvane->Command(ID_PREVIEW_FORMATTED);
    QCOMPARE(m_pCorvane->BoxTexts(),
             QStringList{u"Please select address(es) for previewing EMail(s)."_s});
    QCOMPARE(PreviewWindow(), nullptr);
}

QTEST_MAIN(TestFormattedPreview)
#include "tst_formattedpreview.moc"
