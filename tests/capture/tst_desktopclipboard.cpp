// The clipboard as the desktop has it: another program (xclip) owns the
// clipboard of a real X server while Corvane reads it.

#include "CXvfbServer.h"
#include "store/CAddressDatabase.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestDesktopClipboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void readsWhatAnotherProgramOwns_data();
    void readsWhatAnotherProgramOwns();
    void readsNothingWhenNobodyOwnsTheClipboard();

private:
    bool Own(const QString& strType, const QByteArray& data);
    void Disown();
    QByteArray OwnersText();

    QTemporaryDir m_dir;
    std::unique_ptr<CAddressDatabase> m_pDb;
    QProcess m_owner;
};

void TestDesktopClipboard::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    m_pDb = std::make_unique<CAddressDatabase>();
}

void TestDesktopClipboard::cleanup() {
    if (m_owner.state() != QProcess::NotRunning)
        Disown();
}

void TestDesktopClipboard::cleanupTestCase() {
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

// xclip takes the clipboard with the data as the given type and serves it
// until it is killed. Returns once the program has heard of the new owner,
// as it does between two ticks of its timers.
bool TestDesktopClipboard::Own(const QString& strType, const QByteArray& data) {
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::changed);
    m_owner.setStandardOutputFile(QProcess::nullDevice());
    m_owner.start(QStringLiteral("xclip"),
                  {"-selection", "clipboard", "-quiet", "-t", strType, "-i"});
    if (!m_owner.waitForStarted())
        return false;
    m_owner.write(data);
    m_owner.closeWriteChannel();
    return QTest::qWaitFor([&changed] { return !changed.isEmpty(); });
}

void TestDesktopClipboard::Disown() {
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::changed);
    m_owner.kill();
    m_owner.waitForFinished();
    QVERIFY(QTest::qWaitFor([&changed] { return !changed.isEmpty(); }));
}

QByteArray TestDesktopClipboard::OwnersText() {
    QProcess reader;
    reader.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"});
    reader.waitForFinished();
    return reader.readAllStandardOutput();
}

void TestDesktopClipboard::readsWhatAnotherProgramOwns_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");

    QTest::newRow("a mailto link")
        << "UTF8_STRING" << QByteArray("mailto:jane@example.com") << "mailto:jane@example.com"
        << "jane@example.com";
    QTest::newRow("non-ASCII text, unchanged with its line breaks")
        << "UTF8_STRING" << QByteArray(" J\xC3\xBCrgen <j\xC3\xBCrgen@example.org>\r\n")
        << QStringLiteral(" Jürgen <jürgen@example.org>\r\n")
        << QStringLiteral("Jürgen <jürgen@example.org>");
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QTest::newRow("only an image") << "image/png" << png << ""
                                   << "";
}

void TestDesktopClipboard::readsWhatAnotherProgramOwns() {
    QFETCH(QString, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, text);
    QFETCH(QString, address);
    QVERIFY(Own(type, data));
    const QString strRead = m_pDb->GetClipboardText();
    QCOMPARE(strRead, text);
    QCOMPARE(m_pDb->ExtractEMail(strRead), address);
    // Reading took nothing away: the other program still serves its data.
    QCOMPARE(m_owner.state(), QProcess::Running);
    if (type == QStringLiteral("UTF8_STRING"))
        QCOMPARE(OwnersText(), data);
}

void TestDesktopClipboard::readsNothingWhenNobodyOwnsTheClipboard() {
    QVERIFY(Own(QStringLiteral("UTF8_STRING"), "jane@example.com"));
    QCOMPARE(m_pDb->GetClipboardText(), QStringLiteral("jane@example.com"));
    Disown();
    QCOMPARE(m_pDb->GetClipboardText(), QString());
}

int main(int argc, char* argv[]) {
    return CXvfbServer::Exec<TestDesktopClipboard>(argc, argv);
}

#include "tst_desktopclipboard.moc"
