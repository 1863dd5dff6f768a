#include "engine/address/CAddressRule.h"

#include <QTest>

class TestAddressRule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decidesAsTheMailLibrary_data();
    void decidesAsTheMailLibrary();
};

void TestAddressRule::decidesAsTheMailLibrary_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("plain");

    QTest::newRow("a plain address") << "jane@example.com" << true;
    QTest::newRow("symbols of a dot-atom") << "o'neil+news_1@mail.example.org" << true;
    QTest::newRow("an internationalised domain in its xn-- form")
        << "jane@xn--exmple-cua.de" << true;
    QTest::newRow("the SMTP: address type") << "SMTP:jane@example.com" << true;
    QTest::newRow("the address type in small letters") << "smtp:jane@example.com" << true;
    QTest::newRow("an address type and nothing else") << "SMTP:" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no at sign") << "jane.example.com" << false;
    QTest::newRow("two at signs") << "jane@doe@example.com" << false;
    QTest::newRow("nothing before the at sign") << "@example.com" << false;
    QTest::newRow("nothing after the at sign") << "jane@" << false;
    QTest::newRow("a blank left by the row") << " jane@example.com" << false;
    QTest::newRow("a blank inside") << "jane doe@example.com" << false;
    QTest::newRow("a line break that would add a header") << "jane@example.com\r\nBcc: x@y.z"
                                                          << false;
    QTest::newRow("a second recipient") << "jane@example.com,john@example.com" << false;
    QTest::newRow("a name with the address") << "Jane <jane@example.com>" << false;
    QTest::newRow("a quoted local part") << "\"jane\"@example.com" << false;
    QTest::newRow("a leading dot") << ".jane@example.com" << false;
    QTest::newRow("two dots in a row") << "jane..doe@example.com" << false;
    QTest::newRow("a trailing dot in the domain") << "jane@example.com." << false;
    QTest::newRow("a local-part symbol in the domain") << "jane@exa+mple.com" << false;
    QTest::newRow("a non-ASCII local part") << QStringLiteral("jürgen@example.de") << false;
    QTest::newRow("a non-ASCII domain") << QStringLiteral("jane@exämple.de") << false;
    QTest::newRow("a zero character") << QStringLiteral("jane@example.com") + QChar(0) << false;
}

void TestAddressRule::decidesAsTheMailLibrary() {
    QFETCH(QString, address);
    QFETCH(bool, plain);
    QCOMPARE(CAddressRule::IsPlain(address), plain);
}

QTEST_GUILESS_MAIN(TestAddressRule)
#include "tst_addressrule.moc"
