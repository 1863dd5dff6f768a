#include "views/Globals.h"
#include "views/CTextLayout.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The text window's line splitting and word wrap.
class TestTextLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void charsPerLine_data();
    void charsPerLine();
    void layout_data();
    void layout();
    void wrapCountsScreenLines();
    void layoutFollowsTextAndWidth();
};

void TestTextLayout::charsPerLine_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("chars");

    QTest::newRow("600 pixels") << 600 << 97;
    QTest::newRow("100 pixels") << 100 << 16;
    QTest::newRow("7 pixels") << 7 << 1;
    QTest::newRow("6 pixels give no character, still one") << 6 << 1;
    QTest::newRow("no width") << 0 << 1;
}

void TestTextLayout::charsPerLine() {
    QFETCH(int, width);
    QFETCH(int, chars);
    QCOMPARE(CTextLayout::CharsPerLine(width), chars);
}

void TestTextLayout::layout_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chars");
    QTest::addColumn<QStringList>("screenLines");

    const QString a10(10, u'a');
    QTest::newRow("short line") << u"Hello world"_s << 97 << QStringList{u"Hello world"_s};
    QTest::newRow("exactly the limit") << a10 << 10 << QStringList{a10};
    QTest::newRow("long line without blanks breaks hard")
        << QString(25, u'a') << 10 << QStringList{a10, a10, u"aaaaa"_s};
    QTest::newRow("break at the last blank")
        << u"aaaa bbbb cccc"_s << 10 << QStringList{u"aaaa bbbb"_s, u"cccc"_s};
    QTest::newRow("last blank even when a blank follows the limit")
        << u"aaaa bbbbb cc"_s << 10 << QStringList{u"aaaa"_s, u"bbbbb cc"_s};
    QTest::newRow("leading blanks of a continuation dropped")
        << u"aaaaaaaaaa    bbb"_s << 10 << QStringList{a10, u"bbb"_s};
    QTest::newRow("tab is three blanks") << u"a\tb"_s << 97 << QStringList{u"a   b"_s};
    QTest::newRow("tab blanks wrap like blanks") << u"a\tb"_s << 3 << QStringList{u"a "_s, u"b"_s};
    QTest::newRow("CR LF lines") << u"one\r\ntwo\r\n"_s << 97
                                 << QStringList{u"one"_s, u"two"_s, QString()};
    QTest::newRow("bare line feeds keep every letter")
        << u"one\ntwo\nthree"_s << 97 << QStringList{u"one"_s, u"two"_s, u"three"_s};
    QTest::newRow("one letter before a bare line feed")
        << u"x\ny"_s << 97 << QStringList{u"x"_s, u"y"_s};
    QTest::newRow("preview blanks before line feeds")
        << u"To:\t\t\t\t\ta@b \nSubject:\t\t\tHi \n\n"_s << 97
        << QStringList{u"To:               a@b"_s, u"Subject:         Hi"_s, QString(), QString()};
    QTest::newRow("last line taken whole")
        << u"one\ntwo \r"_s << 97 << QStringList{u"one"_s, u"two \r"_s};
    QTest::newRow("empty lines take a screen line each")
        << u"a\r\n\r\n\nb"_s << 97 << QStringList{u"a"_s, QString(), QString(), u"b"_s};
    QTest::newRow("empty text") << QString() << 97 << QStringList{QString()};
    QTest::newRow("no room still ends") << u"ab c"_s << 0 << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("surrogate pair kept whole")
        << u"a\U0001F600b"_s << 2 << QStringList{u"a"_s, u"\U0001F600"_s, u"b"_s};
}

void TestTextLayout::layout() {
    QFETCH(QString, text);
    QFETCH(int, chars);
    QFETCH(QStringList, screenLines);

    CTextLayout layout;
    layout.Update(text, chars);
    QCOMPARE(layout.ScreenLines(), screenLines);
    QCOMPARE(layout.ScreenLineCount(), screenLines.size());
}

void TestTextLayout::wrapCountsScreenLines() {
    QStringList arrScreenLines{u"before"_s};
    g_nWrapLines = 7;
    QCOMPARE(CTextLayout::WrapLine(QString(25, u'x'), 10, arrScreenLines), 3);
    QCOMPARE(g_nWrapLines, 3);
    QCOMPARE(arrScreenLines.size(), 4);
    QCOMPARE(CTextLayout::WrapLine(QString(), 10, arrScreenLines), 1);
    QCOMPARE(g_nWrapLines, 1);
}

void TestTextLayout::layoutFollowsTextAndWidth() {
    CTextLayout layout;
    QString strText = u"aaaa bbbb"_s;
    layout.Update(strText, 97);
    QCOMPARE(layout.ScreenLineCount(), 1);

    strText.append(u"\ncccc"_s);
    layout.Update(strText, 97);
    QCOMPARE(layout.ScreenLines(), (QStringList{u"aaaa bbbb"_s, u"cccc"_s}));

    layout.Update(strText, 5);
    QCOMPARE(layout.ScreenLines(), (QStringList{u"aaaa"_s, u"bbbb"_s, u"cccc"_s}));
}

QTEST_GUILESS_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
