#include "engine/capture/CAddressExtractor.h"

#include <QTest>

class TestAddressExtractor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void extracts_data();
    void extracts();
    void leavesTheCallersTextAlone();
};

void TestAddressExtractor::extracts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only white space") << " \t\r\n\v\f"
                                      << "";
    QTest::newRow("no at sign") << "mailto:jane"
                                << "";
    QTest::newRow("a bare address") << "jane@example.com"
                                    << "jane@example.com";
    QTest::newRow("blanks and line breaks around it") << " \t\r\njane@example.com \r\n\v\f"
                                                      << "jane@example.com";
    QTest::newRow("white space inside stays") << "  jane @ example.com "
                                              << "jane @ example.com";
    QTest::newRow("a no-break space is no white space")
        << QStringLiteral("\u00A0jane@example.com") << QStringLiteral("\u00A0jane@example.com");
    QTest::newRow("mailto: and the address") << "mailto:jane@example.com"
                                             << "jane@example.com";
    QTest::newRow("Mailto: keeps the query part") << "Mailto:jane@example.com?subject=Hello%20you"
                                                  << "jane@example.com?subject=Hello%20you";
    QTest::newRow("email= keeps the further parameters")
        << "https://example.com/unsubscribe?id=7&email=jane@example.com&lang=en"
        << "jane@example.com&lang=en";
    QTest::newRow("email= wins over an earlier mailto:")
        << "mailto:john@example.com?body=email=jane@example.com"
        << "jane@example.com";
    QTest::newRow("Mailto: wins over an earlier mailto:")
        << "mailto:john@example.com Mailto:jane@example.com"
        << "jane@example.com";
    QTest::newRow("the first of two email= markers") << "email=a@x.org&email=b@y.org"
                                                     << "a@x.org&email=b@y.org";
    QTest::newRow("markers in capitals are not markers") << "MAILTO:jane@example.com"
                                                         << "MAILTO:jane@example.com";
    QTest::newRow("EMAIL= is no marker") << "?EMAIL=jane@example.com"
                                         << "?EMAIL=jane@example.com";
    QTest::newRow("a blank after mailto: stays") << "mailto: jane@example.com"
                                                 << " jane@example.com";
    QTest::newRow("the at sign may lie before the marker") << "jane@example.com mailto:john"
                                                           << "john";
    QTest::newRow("an at sign early, a marker last") << "jane@example.com mailto:"
                                                     << "";
    QTest::newRow("an at sign early, email= last, trailing blanks trimmed first")
        << "x@y email=  \r\n"
        << "";
    QTest::newRow("several lines without a marker, inner breaks kept")
        << "Jane Doe\r\n<jane@example.com>\r\n"
        << "Jane Doe\r\n<jane@example.com>";
    QTest::newRow("several lines with a marker") << "Write to\nmailto:jane@example.com\nthanks"
                                                 << "jane@example.com\nthanks";
    QTest::newRow("non-ASCII text")
        << QStringLiteral("mailto:jürgen@exämple.de") << QStringLiteral("jürgen@exämple.de");
}

void TestAddressExtractor::extracts() {
    QFETCH(QString, text);
    QFETCH(QString, address);
    QCOMPARE(CAddressExtractor::Extract(text), address);
}

void TestAddressExtractor::leavesTheCallersTextAlone() {
    const QString strText = QStringLiteral("  mailto:jane@example.com ");
    QString strCopy = strText;
    QCOMPARE(CAddressExtractor::Extract(strCopy), QStringLiteral("jane@example.com"));
    QCOMPARE(strCopy, strText);
}

QTEST_GUILESS_MAIN(TestAddressExtractor)
#include "tst_addressextractor.moc"
