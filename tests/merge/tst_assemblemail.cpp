#include "MessageBoxRecorder.h"
#include "views/Globals.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>
#include <memory>

namespace {

const QString kTemplate = QStringLiteral("letter.txt");

// Columns 1 to 10 of a table row: Date, EMail, Prefix, Name, Template, MY_1 to MY_5.
QStringList DefaultCells() {
    return {QStringLiteral("11/30/26"),
            QStringLiteral("  jane@example.com\t"),
            QStringLiteral("Dr."),
            QStringLiteral("Smith"),
            kTemplate,
            QStringLiteral("one"),
            QStringLiteral("two"),
            QStringLiteral("three"),
            QStringLiteral("four"),
            QStringLiteral("five")};
}

// The preview block as the text view expects it; the literal test below pins
// the same layout down character by character.
QString Block(const QString& strSubject, const QString& strAttachments, const QString& strBody) {
    const QString strTo = QStringLiteral("jane@example.com");
    return QStringLiteral("================= ") + strTo +
           QStringLiteral(" ================= \n\n") + QStringLiteral("To:\t\t\t\t\t") + strTo +
           QStringLiteral(" \n") + QStringLiteral("Subject:\t\t\t") + strSubject +
           QStringLiteral(" \n") + QStringLiteral("Attachments:\t") + strAttachments +
           QStringLiteral(" \n\n\n") + strBody + QStringLiteral(" \n\n\n");
}

// Today in the C locale's "%x" form, worked out independently of the program.
QString Today() {
    const QDate today = QDate::currentDate();
    return QString::asprintf("%02d/%02d/%02d", today.month(), today.day(), today.year() % 100);
}

} // namespace

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
    void WriteTemplate(const QByteArray& bytes, const QString& strName = kTemplate);
    void SetRow(const QStringList& arrCells);
    QString Assemble(const QString& strStale = QStringLiteral("stale"));

    QTemporaryDir m_startDir;
    QTemporaryDir m_elsewhere;
    std::unique_ptr<CAddressDatabase> m_pDb;
    std::unique_ptr<CListCtrl> m_pList;
};

void TestAssembleMail::initTestCase() {
    QVERIFY(m_startDir.isValid());
    QVERIFY(m_elsewhere.isValid());
    // The user's own locale writes dates differently; "#TODAY" must not care.
    QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QDir::setCurrent(m_startDir.path());
    g_strStartDir = m_startDir.path();
    m_pDb = std::make_unique<CAddressDatabase>();
    m_pList = std::make_unique<CListCtrl>();
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        m_pList->InsertColumn(nColumn, QString::number(nColumn));
    QCOMPARE(m_pList->InsertItem(0, QStringLiteral("7")), 0);
}

void TestAssembleMail::init() {
    SetRow(DefaultCells());
    // The assembler has to go back to the start folder itself.
    QVERIFY(QDir::setCurrent(m_elsewhere.path()));
}

void TestAssembleMail::cleanupTestCase() {
    m_pList.reset();
    m_pDb.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestAssembleMail::WriteTemplate(const QByteArray& bytes, const QString& strName) {
    QFile file(QDir(m_startDir.path()).filePath(strName));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
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

void TestAssembleMail::workedExampleGivesTheBlockCharacterForCharacter() {
    WriteTemplate("#SUBJECT: Offer for #NAME\r\n#ATTACHMENTS price.pdf, terms.pdf\r\n"
                  "Dear #PREFIX #NAME,\r\nplease find our offer attached.\r\n");
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(),
             QStringLiteral("================= jane@example.com ================= \n\n"
                            "To:\t\t\t\t\tjane@example.com \n"
                            "Subject:\t\t\tOffer for Smith \n"
                            "Attachments:\tprice.pdf, terms.pdf \n\n\n"
                            "Dear Dr. Smith,\r\nplease find our offer attached. \n\n\n"));
    QVERIFY(boxes.m_arrCalls.isEmpty());
    QCOMPARE(QDir::currentPath(), QDir(m_startDir.path()).canonicalPath());
}

// The template's rules are the engine's; here each column of the row has to
// reach its placeholder.
void TestAssembleMail::fillsTheTemplateFromEveryColumn() {
    WriteTemplate("#SUBJECT #TODAY #DATE\r\n#ATTACHMENTS #MY_1.pdf\r\n"
                  "#PREFIX #NAME #MY_1 #MY_2 #MY_3 #MY_4 #MY_5");
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(), Block(Today() + QStringLiteral(" 11/30/26"), QStringLiteral("one.pdf"),
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
    QVERIFY(QDir(m_startDir.path()).mkpath(QStringLiteral("folder.txt")));
    // A template of that name in the folder the program was not started in.
    QFile elsewhere(QDir(m_elsewhere.path()).filePath(name.trimmed()));
    if (!name.trimmed().isEmpty() && elsewhere.open(QIODevice::WriteOnly))
        elsewhere.write("#SUBJECT wrong folder\r\n");
    QStringList arrCells = DefaultCells();
    arrCells[4] = name;
    SetRow(arrCells);
    MessageBoxRecorder boxes;
    QCOMPARE(Assemble(QStringLiteral("left as it was")), QStringLiteral("left as it was"));
    QCOMPARE(boxes.m_arrCalls.size(), 1);
    QCOMPARE(boxes.m_arrCalls[0].kind, MessageBoxCall::Application);
    QCOMPARE(boxes.m_arrCalls[0].nType, unsigned(MB_OK));
    QCOMPARE(boxes.m_arrCalls[0].strText,
             QStringLiteral("Can not open a template file \"") + name + u'"');
    QCOMPARE(QDir::currentPath(), QDir(m_startDir.path()).canonicalPath());
}

QTEST_MAIN(TestAssembleMail)
#include "tst_assemblemail.moc"
