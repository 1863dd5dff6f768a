#include "store/CAddressDatabase.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

class TestGetClipboardText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void readsThePlainText_data();
    void readsThePlainText();
    void readingLeavesTheClipboardAsItWas();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CAddressDatabase> m_pDb;
};

using Filler = std::function<void(QClipboard*)>;
Q_DECLARE_METATYPE(Filler)

void TestGetClipboardText::initTestCase() {
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    m_pDb = std::make_unique<CAddressDatabase>();
}

void TestGetClipboardText::cleanupTestCase() {
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestGetClipboardText::readsThePlainText_data() {
    QTest::addColumn<Filler>("fill");
    QTest::addColumn<QString>("text");

    auto text = [](const QString& strText) {
        return Filler([strText](QClipboard* pClipboard) { pClipboard->setText(strText); });
    };
    QTest::newRow("an address") << text("jane@example.com") << "jane@example.com";
    QTest::newRow("returned unchanged, blanks and CR LF included")
        << text(" mailto:jane@example.com \r\nnext line\r\n")
        << " mailto:jane@example.com \r\nnext line\r\n";
    QTest::newRow("non-ASCII text")
        << text(QStringLiteral("jürgen@exämple.de €")) << QStringLiteral("jürgen@exämple.de €");
    QTest::newRow("a zero character ends the text")
        << text(QStringLiteral("jane@example.com") + QChar(0) + QStringLiteral("hidden"))
        << "jane@example.com";
    QTest::newRow("a zero character first") << text(QChar(0) + QStringLiteral("hidden")) << "";
    QTest::newRow("an empty clipboard")
        << Filler([](QClipboard* pClipboard) { pClipboard->clear(); }) << "";
    QTest::newRow("only an image") << Filler([](QClipboard* pClipboard) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        pClipboard->setImage(image);
    }) << "";
    QTest::newRow("only HTML, no plain text") << Filler([](QClipboard* pClipboard) {
        auto* pData = new QMimeData;
        pData->setHtml(QStringLiteral("<a href=\"mailto:jane@example.com\">Jane</a>"));
        pClipboard->setMimeData(pData);
    }) << "";
}

void TestGetClipboardText::readsThePlainText() {
    QFETCH(Filler, fill);
    QFETCH(QString, text);
    fill(QGuiApplication::clipboard());
    QCOMPARE(m_pDb->GetClipboardText(), text);
    // Extraction on top of it finds nothing where reading found nothing.
    if (text.isEmpty())
        QCOMPARE(m_pDb->ExtractEMail(m_pDb->GetClipboardText()), QString());
}

void TestGetClipboardText::readingLeavesTheClipboardAsItWas() {
    QGuiApplication::clipboard()->setText(QStringLiteral(" jane@example.com\r\n"));
    QCOMPARE(m_pDb->GetClipboardText(), QStringLiteral(" jane@example.com\r\n"));
    QCOMPARE(m_pDb->GetClipboardText(), QStringLiteral(" jane@example.com\r\n"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" jane@example.com\r\n"));
}

QTEST_MAIN(TestGetClipboardText)
#include "tst_getclipboardtext.moc"
