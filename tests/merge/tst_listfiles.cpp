#include "store/CAddressDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestListFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void listsTheFilesWithTheExtension_data();
    void listsTheFilesWithTheExtension();
    void appendsToTheCallersList();
    void listsTheCurrentFolderAsDot();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CAddressDatabase> m_pDb;
};

void TestListFiles::initTestCase() {
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    m_pDb = std::make_unique<CAddressDatabase>();
    QDir folder(m_dir.path());
    QVERIFY(folder.mkpath(QStringLiteral("templates/sub.txt")));
    QVERIFY(folder.mkpath(QStringLiteral("templates/deeper")));
    const QStringList arrFiles = {
        QStringLiteral("offer.txt"),      QStringLiteral("OFFER2.TXT"),
        QStringLiteral("Mixed.Txt"),      QStringLiteral("notes.txt.bak"),
        QStringLiteral("plain.text"),     QStringLiteral("README"),
        QStringLiteral("with blank.txt"), QStringLiteral("deeper/in.txt")};
    for (const QString& strName : arrFiles) {
        QFile file(folder.filePath(QStringLiteral("templates/") + strName));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void TestListFiles::cleanupTestCase() {
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestListFiles::listsTheFilesWithTheExtension_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("names");

    const QStringList arrTxt = {"offer.txt", "OFFER2.TXT", "Mixed.Txt", "with blank.txt"};
    QTest::newRow("txt, in any letter case, no folder") << "templates"
                                                        << "txt" << arrTxt;
    QTest::newRow("the extension's own case does not matter") << "templates"
                                                              << "TXT" << arrTxt;
    QTest::newRow("an empty extension lists every file")
        << "templates"
        << "" << QStringList{"offer.txt",  "OFFER2.TXT", "Mixed.Txt",     "notes.txt.bak",
                             "plain.text", "README",     "with blank.txt"};
    QTest::newRow("the whole extension must match") << "templates"
                                                    << "bak" << QStringList{"notes.txt.bak"};
    QTest::newRow("no matching file") << "templates"
                                      << "pdf" << QStringList();
    QTest::newRow("a folder that does not exist") << "no such folder"
                                                  << "txt" << QStringList();
    QTest::newRow("an absolute folder")
        << m_dir.filePath("templates/deeper") << "txt" << QStringList{"in.txt"};
}

void TestListFiles::listsTheFilesWithTheExtension() {
    QFETCH(QString, folder);
    QFETCH(QString, extension);
    QFETCH(QStringList, names);
    QStringList arrFound;
    QCOMPARE(m_pDb->ListFiles(folder, &arrFound, extension), names.size());
    arrFound.sort();
    names.sort();
    QCOMPARE(arrFound, names);
}

void TestListFiles::appendsToTheCallersList() {
    QStringList arrFound = {QStringLiteral("kept")};
    QCOMPARE(m_pDb->ListFiles(QStringLiteral("templates/deeper"), &arrFound, QStringLiteral("txt")),
             1);
    QCOMPARE(m_pDb->ListFiles(QStringLiteral("templates/deeper"), &arrFound, QStringLiteral("txt")),
             1);
    QCOMPARE(arrFound, QStringList({"kept", "in.txt", "in.txt"}));
}

void TestListFiles::listsTheCurrentFolderAsDot() {
    QVERIFY(QDir::setCurrent(m_dir.filePath(QStringLiteral("templates"))));
    QStringList arrFound;
    QCOMPARE(m_pDb->ListFiles(QStringLiteral("."), &arrFound, QStringLiteral("txt")), 4);
    arrFound.sort();
    QCOMPARE(arrFound, QStringList({"Mixed.Txt", "OFFER2.TXT", "offer.txt", "with blank.txt"}));
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

QTEST_MAIN(TestListFiles)
#include "tst_listfiles.moc"
