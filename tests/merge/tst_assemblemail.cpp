#include "MessageBoxRecorder.h"
#include "app/Globals.h"
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
    void assemblesTheRow_data();
    void assemblesTheRow();
    void limitsTheTemplateToItsFirstBytes_data();
    void limitsTheTemplateToItsFirstBytes();
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

void TestAssembleMail::assemblesTheRow_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("attachments");
    QTest::addColumn<QString>("body");

    const QString strSame;
    QTest::newRow("placeholders filled before the lines are cut")
        << QByteArray("#SUBJECT Hello #NAME\r\n#ATTACHMENTS #MY_1.pdf;#MY_5.pdf\r\nText #MY_3") << 0
        << strSame << "Hello Smith"
        << "one.pdf;five.pdf"
        << "Text three";
    QTest::newRow("every placeholder, every occurrence")
        << QByteArray("#DATE #PREFIX #NAME #MY_1 #MY_2 #MY_3 #MY_4 #MY_5 #NAME") << 0 << strSame
        << ""
        << ""
        << "11/30/26 Dr. Smith one two three four five Smith";
    QTest::newRow("placeholders are case-sensitive")
        << QByteArray("#name #Name #NAME #my_1") << 0 << strSame << ""
        << ""
        << "#name #Name Smith #my_1";
    QTest::newRow("today in the C locale")
        << QByteArray("#SUBJECT On #TODAY\r\nSent #TODAY.") << 0 << strSame << "On {today}"
        << ""
        << "Sent {today}.";
    QTest::newRow("a name holding #MY_1 has it filled too")
        << QByteArray("Dear #NAME") << 4 << "Agent #MY_1"
        << ""
        << ""
        << "Dear Agent one";
    QTest::newRow("a field saved empty gives one blank")
        << QByteArray("Dear #PREFIX #NAME") << 3 << " "
        << ""
        << ""
        << "Dear   Smith";
    QTest::newRow("only the first keywords count")
        << QByteArray("#SUBJECT first\r\n#SUBJECT second\r\n#ATTACHMENTS a.pdf\r\n"
                      "#ATTACHMENTS b.pdf\r\nBody")
        << 0 << strSame << "first"
        << "a.pdf"
        << "#SUBJECT second\r\n#ATTACHMENTS b.pdf\r\nBody";
    QTest::newRow("subject keyword in the middle of a line")
        << QByteArray("Hello #SUBJECT Topic\r\nBody") << 0 << strSame << "Topic"
        << ""
        << "Hello \nBody";
    QTest::newRow("attachment keyword in the middle of a line")
        << QByteArray("Line one\r\nSee #ATTACHMENTS a.pdf\r\nNext line") << 0 << strSame << ""
        << "a.pdf"
        << "Line one\r\nSee Next line";
    QTest::newRow("subject keyword directly followed by CR LF")
        << QByteArray("#SUBJECT\r\nBody") << 0 << strSame << ""
        << ""
        << "Body";
    QTest::newRow("attachment keyword directly followed by CR LF")
        << QByteArray("#ATTACHMENTS\r\nBody") << 0 << strSame << ""
        << ""
        << "Body";
    QTest::newRow("a later subject line leaves an empty line")
        << QByteArray("Dear all,\r\n#SUBJECT S\r\nMore") << 0 << strSame << "S"
        << ""
        << "Dear all,\r\n\nMore";
    QTest::newRow("a later attachment line leaves none")
        << QByteArray("Dear all,\r\n#ATTACHMENTS a.pdf\r\nMore") << 0 << strSame << ""
        << "a.pdf"
        << "Dear all,\r\nMore";
    QTest::newRow("bare line feeds lose no character")
        << QByteArray("#SUBJECT Hi\n#ATTACHMENTS a.pdf;b.pdf\nDear #NAME\nBye\n") << 0 << strSame
        << "Hi"
        << "a.pdf;b.pdf"
        << "Dear Smith\nBye";
    QTest::newRow("one-character list before a bare line feed")
        << QByteArray("#ATTACHMENTS\tx\nB") << 0 << strSame << ""
        << "x"
        << "B";
    QTest::newRow("keywords on the last line without a line feed")
        << QByteArray("Body\r\n#SUBJECT Last words") << 0 << strSame << "Last words"
        << ""
        << "Body";
    QTest::newRow("attachment list on the last line without a line feed")
        << QByteArray("Body\r\n#ATTACHMENTS a.pdf, b.pdf") << 0 << strSame << ""
        << "a.pdf, b.pdf"
        << "Body";
    QTest::newRow("the separator is skipped whatever it is")
        << QByteArray("#SUBJECTXTopic\r\n#ATTACHMENTS:a.pdf\r\n") << 0 << strSame << "Topic"
        << "a.pdf"
        << "";
    QTest::newRow("a keyword that ends the text")
        << QByteArray("Body #SUBJECT") << 0 << strSame << ""
        << ""
        << "Body";
    QTest::newRow("an empty template") << QByteArray() << 0 << strSame << ""
                                       << ""
                                       << "";
    QTest::newRow("a zero byte ends the text")
        << QByteArray("Body\0#SUBJECT hidden\r\n", 22) << 0 << strSame << ""
        << ""
        << "Body";
    QTest::newRow("no-break spaces are the user's text, not trimmed")
        << QByteArray("\xC2\xA0indented\xC2\xA0") << 0 << strSame << ""
        << "" << QStringLiteral("\u00A0indented\u00A0");
    QTest::newRow("a UTF-8 template")
        << QByteArray(
               "#SUBJECT Gr\xC3\xBC\xC3\x9F\x65\r\n\xE2\x82\xAC 5 \xE2\x80\x9Cnet\xE2\x80\x9D")
        << 0 << strSame << QStringLiteral("Grüße") << "" << QStringLiteral("€ 5 “net”");
    QTest::newRow("a UTF-8 template with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF\xC3\x9C\x62\x65r #NAME") << 0 << strSame << ""
        << "" << QStringLiteral("Über Smith");
    QTest::newRow("a Windows-1252 template")
        << QByteArray("#SUBJECT Gr\xFC\xDF\x65\r\n\x80 5 \x93net\x94 \x81") << 0 << strSame
        << QStringLiteral("Grüße") << "" << QStringLiteral("€ 5 “net” \u0081");
    QTest::newRow("an overlong UTF-8 form is Windows-1252")
        << QByteArray("\xC0\xAF #NAME") << 0 << strSame << ""
        << "" << QStringLiteral("À¯ Smith");
    QTest::newRow("a UTF-8 surrogate is Windows-1252")
        << QByteArray("\xED\xA0\x80") << 0 << strSame << ""
        << "" << QStringLiteral("í\u00A0€");
}

void TestAssembleMail::assemblesTheRow() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, subject);
    QFETCH(QString, attachments);
    QFETCH(QString, body);
    WriteTemplate(bytes);
    if (column > 0) {
        QStringList arrCells = DefaultCells();
        arrCells[column - 1] = cell;
        SetRow(arrCells);
    }
    MessageBoxRecorder boxes;
    const QString strPreview = Assemble();
    const QString strToday = Today();
    QCOMPARE(strPreview, Block(subject.replace(QStringLiteral("{today}"), strToday), attachments,
                               body.replace(QStringLiteral("{today}"), strToday)));
    QVERIFY(boxes.m_arrCalls.isEmpty());
}

void TestAssembleMail::limitsTheTemplateToItsFirstBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("letters");
    QTest::addColumn<QString>("bodyEnd");

    // 13 bytes, the subject a two-byte character.
    const QByteArray head = "#SUBJECT \xC3\xBC\r\n";
    const int nLetters = 100000 - 13 - 1;
    const QByteArray letters(nLetters, 'a');
    QTest::newRow("exactly 100,000 bytes are used whole")
        << head + letters + 'Z' << QStringLiteral("ü") << nLetters << "Z";
    QTest::newRow("of 100,001 bytes the last is ignored")
        << head + letters + "ZY" << QStringLiteral("ü") << nLetters << "Z";
    // The euro sign's three bytes start at the last byte that counts.
    QTest::newRow("a UTF-8 character cut by the limit is dropped")
        << head + letters + "\xE2\x82\xAC" << QStringLiteral("ü") << nLetters << "";
    QTest::newRow("a UTF-8 character that ends the file unfinished is Windows-1252")
        << head + letters.left(nLetters - 1) + "Z\xE2" << QStringLiteral("Ã¼") << nLetters - 1
        << QStringLiteral("Zâ");
}

void TestAssembleMail::limitsTheTemplateToItsFirstBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, subject);
    QFETCH(int, letters);
    QFETCH(QString, bodyEnd);
    WriteTemplate(bytes);
    QCOMPARE(Assemble(), Block(subject, QString(), QString(letters, u'a') + bodyEnd));
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
