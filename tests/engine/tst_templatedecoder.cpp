#include "engine/merge/CTemplateDecoder.h"

#include <QTest>

class TestTemplateDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodes_data();
    void decodes();
};

void TestTemplateDecoder::decodes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("cutAtLimit");
    QTest::addColumn<QString>("text");

    QTest::newRow("ASCII") << QByteArray("Dear #NAME,\r\n") << false << "Dear #NAME,\r\n";
    QTest::newRow("UTF-8 of every length")
        << QByteArray("\xC3\xA4 \xE2\x82\xAC \xF0\x9F\x93\xA7") << false << QStringLiteral("ä € 📧");
    QTest::newRow("the highest code point")
        << QByteArray("\xF4\x8F\xBF\xBF") << false << QString::fromUcs4(U"\U0010FFFF");
    QTest::newRow("beyond the highest code point")
        << QByteArray("\xF4\x90\x80\x80") << false << QStringLiteral("ô\u0090€€");
    QTest::newRow("a byte that never starts a sequence")
        << QByteArray("\xF5\x80\x80\x80") << false << QStringLiteral("õ€€€");
    QTest::newRow("a lone continuation byte")
        << QByteArray("a\x80z") << false << QStringLiteral("a€z");
    QTest::newRow("an overlong three-byte form")
        << QByteArray("\xE0\x80\xAF") << false << QStringLiteral("à€¯");
    QTest::newRow("a sequence broken before its end")
        << QByteArray("\xE2\x82z") << false << QStringLiteral("\u00E2\u201Az");
    QTest::newRow("every Windows-1252 byte from 0x80 to 0x9F")
        << QByteArray("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                      "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F")
        << false
        << QStringLiteral("\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160"
                          "\u2039\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022"
                          "\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178");
    QTest::newRow("Latin-1 bytes above 0x9F")
        << QByteArray("\xA0\xE4\xFF") << false << QStringLiteral("\u00A0äÿ");
    QTest::newRow("an unfinished sequence at the end, not cut")
        << QByteArray("ok \xF0\x9F\x93") << false << QStringLiteral("ok \u00F0\u0178\u201C");
    QTest::newRow("a two-byte character cut by the limit")
        << QByteArray("ok \xC3") << true << QStringLiteral("ok ");
    QTest::newRow("a four-byte character cut by the limit")
        << QByteArray("ok \xF0\x9F\x93") << true << QStringLiteral("ok ");
    QTest::newRow("the cut does not excuse a broken sequence before it")
        << QByteArray("\xC3z ok \xC3") << true << QStringLiteral("Ãz ok Ã");
    QTest::newRow("a cut that is no sequence at all")
        << QByteArray("ok \x80") << true << QStringLiteral("ok €");
    QTest::newRow("a byte-order mark is no text")
        << QByteArray("\xEF\xBB\xBFok") << false << QStringLiteral("ok");
}

void TestTemplateDecoder::decodes() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, cutAtLimit);
    QFETCH(QString, text);
    QCOMPARE(CTemplateDecoder::Decode(bytes, cutAtLimit), text);
}

QTEST_GUILESS_MAIN(TestTemplateDecoder)
#include "tst_templatedecoder.moc"
