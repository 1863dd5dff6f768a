#include "MessageBoxRecorder.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "tests/support/CMergeFixture.h"
#include "views/Globals.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

class TestAssembleMail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void workedExampleGivesTheBlockCharacterForCharacter();
    void fillsTheTemplateFromEveryColumn();
    void reportsATemplateThatCannotBeOpened_data();
    void reportsATemplateThatCannotBeOpened();

private:
    void SetRow(const QStringList& arrCells);
    QString Assemble(const QString& strStale = QStringLiteral("stale"));

    CMergeFixture m_folders;
    std::unique_ptr<CAddressDatabase> m_pDb;
    std::unique_ptr<CListCtrl> m_pList;
};

void TestAssembleMail::initTestCase() {
    QVERIFY(m_folders.SetUp());
    QDir::setCurrent(m_folders.StartDir());
    g_strStartDir = m_folders.StartDir();
    m_pDb = std::make_unique<CAddressDatabase>();
    m_pList = std::make_unique<CListCtrl>();
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        m_pList->InsertColumn(nColumn, QString::number(nColumn));
    QCOMPARE(m_pList->InsertItem(0, QStringLiteral("7")), 0);
}

void TestAssembleMail::init() {
    SetRow(CMergeFixture::DefaultCells());
    // The assembler has to go back to the start folder itself.
    QVERIFY(QDir::setCurrent(m_folders.Elsewhere()));
}

void TestAssembleMail::cleanupTestCase() {
    m_pList.reset();
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestAssembleMail::SetRow(const QStringList& arrCells) {
    for (int i = 0; i < arrCells.size(); ++i)
        QVERIFY(m_pList->SetItemText(0, i + 1, arrCells[i]));
}

QString TestAssembleMail::Assemble(const QString& strStale) {
    QString strPreview = strStale;
    m_pDb->AssembleMail(*m_pList, 0, &strPreview, false);
    return strPreview;
}

// The store's assembly reads the row from the list and leaves the process in
// the start folder.
void TestAssembleMail::workedExampleGivesTheBlockCharacterForCharacter() {
    QVERIFY(m_folders.WriteTemplate(CMergeFixture::s_workedExample));
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(), CMergeFixture::s_strWorkedExampleBlock);
    QVERIFY(boxes.m_arrCalls.isEmpty());
    QCOMPARE(QDir::currentPath(), QDir(m_folders.StartDir()).canonicalPath());
}

// The template's rules are the engine's; here each column of the row has to
// reach its placeholder.
void TestAssembleMail::fillsTheTemplateFromEveryColumn() {
    QVERIFY(m_folders.WriteTemplate("#SUBJECT #TODAY #DATE\r\n#ATTACHMENTS #MY_1.pdf\r\n"
                                    "#PREFIX #NAME #MY_1 #MY_2 #MY_3 #MY_4 #MY_5"));
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(), CMergeFixture::Block(CMergeFixture::Today() + QStringLiteral(" 11/30/26"),
                                              QStringLiteral("one.pdf"),
                                              QStringLiteral("Dr. Smith one two three four five")));
    QVERIFY(boxes.m_arrCalls.isEmpty());
}

void TestAssembleMail::reportsATemplateThatCannotBeOpened_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("a record saved without a template") << QStringLiteral(" ");
    QTest::newRow("an empty name") << QString();
    QTest::newRow("a missing file") << QStringLiteral("missing.txt");
    QTest::newRow("a folder") << QStringLiteral("folder.txt");
}

void TestAssembleMail::reportsATemplateThatCannotBeOpened() {
    QFETCH(QString, name);
    QVERIFY(QDir(m_folders.StartDir()).mkpath(QStringLiteral("folder.txt")));
    // A template of that name in the folder the program was not started in.
    QFile elsewhere(QDir(m_folders.Elsewhere()).filePath(name.trimmed()));
    if (!name.trimmed().isEmpty() && elsewhere.open(QIODevice::WriteOnly))
        elsewhere.write("#SUBJECT wrong folder\r\n");
    QStringList arrCells = CMergeFixture::DefaultCells();
    arrCells[4] = name;
    SetRow(arrCells);
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(QStringLiteral("left as it was")), QStringLiteral("left as it was"));
    QCOMPARE(boxes.m_arrCalls.size(), 1);
    QCOMPARE(boxes.m_arrCalls[0].kind, MessageBoxCall::Application);
    QCOMPARE(boxes.m_arrCalls[0].nType, unsigned(MB_OK));
    QCOMPARE(boxes.m_arrCalls[0].strText,
             QStringLiteral("Can not open a template file \"") + name + u'"');
    QCOMPARE(QDir::currentPath(), QDir(m_folders.StartDir()).canonicalPath());
}

QTEST_MAIN(TestAssembleMail)
#include "tst_assemblemail.moc"
