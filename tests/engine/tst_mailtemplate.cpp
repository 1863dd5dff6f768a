#include "engine/merge/CMailTemplate.h"
#include "tests/support/CMergeFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestMailTemplate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void workedExampleGivesTheBlockCharacterForCharacter();
    void attachmentPaths_data();
    void attachmentPaths();
    void readsTheTemplateFromTheStartFolder_data();
    void readsTheTemplateFromTheStartFolder();
    void assemblesTheRow_data();
    void assemblesTheRow();
    void limitsTheTemplateToItsFirstBytes_data();
    void limitsTheTemplateToItsFirstBytes();

private:
    QString Assemble() const;

    CMergeFixture m_folders;
    QStringList m_arrCells;
};

void TestMailTemplate::initTestCase() {
    QVERIFY(m_folders.SetUp());
}

void TestMailTemplate::init() {
    m_arrCells = CMergeFixture::DefaultCells();
    // Templates are read from the start folder, wherever the process stands.
    QVERIFY(QDir::setCurrent(m_folders.Elsewhere()));
}

void TestMailTemplate::cleanupTestCase() {
    QDir::setCurrent(QDir::tempPath());
}

QString TestMailTemplate::Assemble() const {
    CMailRow row;
    row.m_strDate = m_arrCells[0];
    row.m_strEMail = m_arrCells[1];
    row.m_strPrefix = m_arrCells[2];
    row.m_strName = m_arrCells[3];
    row.m_strTemplate = m_arrCells[4];
    for (int i = 0; i < 5; ++i)
        row.m_arrMy[i] = m_arrCells[5 + i];
    const std::optional<QByteArray> bytes =
        CMailTemplate::ReadFile(m_folders.StartDir(), row.m_strTemplate);
    if (!bytes)
        return QStringLiteral("unreadable");
    return CMailTemplate::Merge(row, *bytes, CMailTemplate::Today()).PreviewBlock();
}

// The engine reads the template without moving the process.
void TestMailTemplate::workedExampleGivesTheBlockCharacterForCharacter() {
    QVERIFY(m_folders.WriteTemplate(CMergeFixture::s_workedExample));
    QCOMPARE(Assemble(), CMergeFixture::s_strWorkedExampleBlock);
    QCOMPARE(QDir::currentPath(), QDir(m_folders.Elsewhere()).canonicalPath());
}

void TestMailTemplate::attachmentPaths_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("none") << QString() << QStringList();
    QTest::newRow("one") << "price.pdf" << QStringList{"price.pdf"};
    QTest::newRow("commas, tabs and semicolons")
        << "a.pdf,b.pdf\tc.pdf;d.pdf" << QStringList{"a.pdf", "b.pdf", "c.pdf", "d.pdf"};
    QTest::newRow("a run of separators is one split")
        << ",;a.pdf,\t;b.pdf;;" << QStringList{"a.pdf", "b.pdf"};
    QTest::newRow("each path trimmed, inner blanks kept")
        << " my offer.pdf , \r\nterms.pdf\v" << QStringList{"my offer.pdf", "terms.pdf"};
    QTest::newRow("a part of blanks is an empty path")
        << "a.pdf,  ,b.pdf" << QStringList{"a.pdf", "", "b.pdf"};
}

void TestMailTemplate::attachmentPaths() {
    QFETCH(QString, list);
    QFETCH(QStringList, paths);
    CMergedMail mail;
    mail.m_strAttachments = list;
    QCOMPARE(mail.AttachmentPaths(), paths);
}

void TestMailTemplate::readsTheTemplateFromTheStartFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readable");

    QTest::newRow("a record saved without a template") << QStringLiteral(" ") << false;
    QTest::newRow("an empty name") << QString() << false;
    QTest::newRow("a missing file") << QStringLiteral("missing.txt") << false;
    QTest::newRow("a folder") << QStringLiteral("folder.txt") << false;
    QTest::newRow("a name in the start folder") << CMergeFixture::s_strTemplate << true;
    QTest::newRow("an absolute path")
        << QStringLiteral("{start}/") + CMergeFixture::s_strTemplate << true;
}

void TestMailTemplate::readsTheTemplateFromTheStartFolder() {
    QFETCH(QString, name);
    QFETCH(bool, readable);
    name.replace(QStringLiteral("{start}"), m_folders.StartDir());
    QVERIFY(QDir(m_folders.StartDir()).mkpath(QStringLiteral("folder.txt")));
    QVERIFY(m_folders.WriteTemplate("#SUBJECT start folder\r\n"));
    // A template of every relative name in the folder the process stands in.
    QFile elsewhere(QDir(m_folders.Elsewhere()).filePath(name.trimmed()));
    if (!name.trimmed().isEmpty() && QDir::isRelativePath(name) &&
        elsewhere.open(QIODevice::WriteOnly)) {
        elsewhere.write("#SUBJECT wrong folder\r\n");
        elsewhere.close();
    }
    const std::optional<QByteArray> bytes = CMailTemplate::ReadFile(m_folders.StartDir(), name);
    QCOMPARE(bytes.has_value(), readable);
    if (readable)
        QCOMPARE(*bytes, QByteArray("#SUBJECT start folder\r\n"));
}

void TestMailTemplate::assemblesTheRow_data() {
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

void TestMailTemplate::assemblesTheRow() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, subject);
    QFETCH(QString, attachments);
    QFETCH(QString, body);
    QVERIFY(m_folders.WriteTemplate(bytes));
    if (column > 0) {
        QStringList arrCells = CMergeFixture::DefaultCells();
        arrCells[column - 1] = cell;
        m_arrCells = arrCells;
    }
    const QString strPreview = Assemble();
    const QString strToday = CMergeFixture::Today();
    QCOMPARE(strPreview,
             CMergeFixture::Block(subject.replace(QStringLiteral("{today}"), strToday), attachments,
                                  body.replace(QStringLiteral("{today}"), strToday)));
}

void TestMailTemplate::limitsTheTemplateToItsFirstBytes_data() {
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

void TestMailTemplate::limitsTheTemplateToItsFirstBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, subject);
    QFETCH(int, letters);
    QFETCH(QString, bodyEnd);
    QVERIFY(m_folders.WriteTemplate(bytes));
    QCOMPARE(Assemble(),
             CMergeFixture::Block(subject, QString(), QString(letters, u'a') + bodyEnd));
}

QTEST_GUILESS_MAIN(TestMailTemplate)
#include "tst_mailtemplate.moc"
