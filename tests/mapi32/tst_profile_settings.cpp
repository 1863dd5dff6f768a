// The settings file shared by the program and the mail library: where it is,
// what GetProfileInt makes of its values, and that it is never readable by
// others after a write.

#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

mode_t ModeOf(const QString& strPath) {
    struct stat info {};
    return ::stat(QFile::encodeName(strPath).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

class TestProfileSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fileFollowsXdgConfigHome();
    void writeLeavesFileToOwner_data();
    void writeLeavesFileToOwner();
    void keepsTextsExactly_data();
    void keepsTextsExactly();
    void readsIntegersAsWindowsDoes_data();
    void readsIntegersAsWindowsDoes();

private:
    void WriteRawFile(const QByteArray& content);

    QTemporaryDir m_dir;
    int m_nHomes = 0;
};

void TestProfileSettings::initTestCase() {
    QVERIFY(m_dir.isValid());
}

// A fresh configuration folder per case, so no case sees another's file.
void TestProfileSettings::init() {
    qputenv("XDG_CONFIG_HOME",
            QFile::encodeName(m_dir.filePath(QStringLiteral("home%1").arg(++m_nHomes))));
}

void TestProfileSettings::WriteRawFile(const QByteArray& content) {
    QVERIFY(QDir().mkpath(QFileInfo(CProfileSettings::FilePath()).absolutePath()));
    QFile file(CProfileSettings::FilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void TestProfileSettings::fileFollowsXdgConfigHome() {
    QCOMPARE(CProfileSettings::FilePath(),
             m_dir.filePath(QStringLiteral("home%1/Ostwick/Corvane.conf").arg(m_nHomes)));
}

void TestProfileSettings::writeLeavesFileToOwner_data() {
    QTest::addColumn<int>("modeBefore");
    QTest::newRow("no file yet") << 0;
    QTest::newRow("file readable by all") << 0644;
    QTest::newRow("file writable by all") << 0666;
}

void TestProfileSettings::writeLeavesFileToOwner() {
    QFETCH(int, modeBefore);
    if (modeBefore != 0) {
        WriteRawFile("[MAIL]\nMAPI=1\n");
        QVERIFY(::chmod(QFile::encodeName(CProfileSettings::FilePath()).constData(),
                        static_cast<mode_t>(modeBefore)) == 0);
    }

    QVERIFY(CProfileSettings::WriteProfileValue(
        QStringLiteral("MailSystem"), QStringLiteral("Password"), QStringLiteral("s3cret")));

    QCOMPARE(ModeOf(CProfileSettings::FilePath()), mode_t(0600));
    if (modeBefore == 0)
        QCOMPARE(ModeOf(QFileInfo(CProfileSettings::FilePath()).absolutePath()), mode_t(0700));
    else
        QCOMPARE(CProfileSettings::GetProfileInt(QStringLiteral("MAIL"), QStringLiteral("MAPI"), 0),
                 1);
    QCOMPARE(CProfileSettings::GetProfileString(QStringLiteral("MailSystem"),
                                                QStringLiteral("Password")),
             QStringLiteral("s3cret"));
}

void TestProfileSettings::keepsTextsExactly_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("sender") << "Jane Doe <jane@example.com>";
    QTest::newRow("sender with comma") << "\"Doe, Jane\" <jane@example.com>";
    QTest::newRow("password of INI specials") << " ;#=[x]\"\\,\t% ";
    QTest::newRow("non-ASCII") << "Grüße für Jürgen";
    QTest::newRow("looks like a Qt variant") << "@Variant(x)";
}

void TestProfileSettings::keepsTextsExactly() {
    QFETCH(QString, value);
    QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MailSystem"),
                                                QStringLiteral("Value"), value));

    QCOMPARE(
        CProfileSettings::GetProfileString(QStringLiteral("MailSystem"), QStringLiteral("Value")),
        value);
}

void TestProfileSettings::readsIntegersAsWindowsDoes_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");
    QTest::newRow("one") << QByteArray("[MAIL]\nMAPI=1\n") << 1;
    QTest::newRow("zero") << QByteArray("[MAIL]\nMAPI=0\n") << 0;
    QTest::newRow("key missing") << QByteArray("[MAIL]\nOther=1\n") << 7;
    QTest::newRow("no file") << QByteArray() << 7;
    QTest::newRow("digits then text") << QByteArray("[MAIL]\nMAPI=12abc\n") << 12;
    QTest::newRow("negative") << QByteArray("[MAIL]\nMAPI=-3\n") << 0;
    QTest::newRow("not a number") << QByteArray("[MAIL]\nMAPI=yes\n") << 0;
    QTest::newRow("other letter case") << QByteArray("[Mail]\nmapi=1\n") << 1;
}

void TestProfileSettings::readsIntegersAsWindowsDoes() {
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    if (!file.isEmpty())
        WriteRawFile(file);

    QCOMPARE(CProfileSettings::GetProfileInt(QStringLiteral("MAIL"), QStringLiteral("MAPI"), 7),
             expected);
}

QTEST_GUILESS_MAIN(TestProfileSettings)
#include "tst_profile_settings.moc"
