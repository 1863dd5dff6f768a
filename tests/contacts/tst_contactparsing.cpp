#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactMapping.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvSource.h"
#include "engine/contacts/CVCardSource.h"

#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every row of a file, a row's problem standing in for its fields.
QList<QStringList> ReadAll(CContactSource& source) {
    QList<QStringList> rows;
    CContactRow row;
    while (source.ReadRow(&row))
        rows.append(row.strProblem.isEmpty() ? row.fields : QStringList{row.strProblem});
    return rows;
}

QString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CContactError& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class TestContactParsing : public QObject {
    Q_OBJECT

private:
    QString Write(const QString& strName, const QByteArray& content) {
        const QString strPath = m_dir.filePath(strName);
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(strPath));
        return strPath;
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    // Remembered mappings go to a settings file of this run only.
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    }

    void csvRecords_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QList<QStringList>>("rows");
        const QStringList ab = {"EMail", "Name"};
        QTest::newRow("quoted comma, doubled quote")
            << QByteArray("EMail,Name\r\na@x.org,\"Doe, \"\"JD\"\" Jane\"\r\n") << ab
            << QList<QStringList>{{"a@x.org", "Doe, \"JD\" Jane"}};
        QTest::newRow("line break inside quotes counts a line")
            << QByteArray("EMail,Name\na@x.org,\"one\ntwo\"\nb@x.org,three\n") << ab
            << QList<QStringList>{{"a@x.org", "one\ntwo"}, {"b@x.org", "three"}};
        QTest::newRow("semicolon delimiter, comma in data")
            << QByteArray("EMail;Name\na@x.org;Doe, Jane\n") << ab
            << QList<QStringList>{{"a@x.org", "Doe, Jane"}};
        QTest::newRow("tab delimiter")
            << QByteArray("EMail\tName\na@x.org\tJane; Doe\n") << ab
            << QList<QStringList>{{"a@x.org", "Jane; Doe"}};
        QTest::newRow("delimiter inside a quoted header does not count")
            << QByteArray("\"EMail;x\",Name\na@x.org,Jane\n") << QStringList{"EMail;x", "Name"}
            << QList<QStringList>{{"a@x.org", "Jane"}};
        QTest::newRow("mixed line ends and blank lines")
            << QByteArray("EMail,Name\r\na@x.org,A\nb@x.org,B\r\rc@x.org,C") << ab
            << QList<QStringList>{{"a@x.org", "A"}, {"b@x.org", "B"}, {"c@x.org", "C"}};
        QTest::newRow("empty fields kept")
            << QByteArray("EMail,Name\na@x.org,\n") << ab << QList<QStringList>{{"a@x.org", ""}};
        // Extra fields that are empty lose nothing (Thunderbird ends every
        // row with one); fewer fields are for the import to judge.
        QTest::newRow("more and fewer fields than the header")
            << QByteArray("EMail,Name\na@x.org,A,extra\nb@x.org\nc@x.org,C,,\n") << ab
            << QList<QStringList>{{"The row has 3 fields; the header has 2."}, {"b@x.org"}, {"c@x.org", "C"}};
        QTest::newRow("CR CR LF line ends")
            << QByteArray("EMail,Name\r\r\na@x.org,\"A\r\r\nB\"\r\r\n\r\r\nb@x.org,B\r\r\n") << ab
            << QList<QStringList>{{"a@x.org", "A\r\r\nB"}, {"b@x.org", "B"}};
        QTest::newRow("quote left open at the end")
            << QByteArray("EMail,Name\na@x.org,A\nb@x.org,\"B\nc@x.org,C\n") << ab
            << QList<QStringList>{{"a@x.org", "A"}, {"The quote opened in line 3 is never closed."}};
        QTest::newRow("a first row with an address is data")
            << QByteArray("a@x.org,Jane\nb@x.org,John\n") << QStringList{"Column 1", "Column 2"}
            << QList<QStringList>{{"a@x.org", "Jane"}, {"b@x.org", "John"}};
        QTest::newRow("header only") << QByteArray("EMail,Name\r\n") << ab << QList<QStringList>{};
        // Bounded: a record too long to keep is refused alone, and the next is read.
        QTest::newRow("more than 1000 fields")
            << "EMail,Name\na@x.org" + QByteArray(1000, ',') + "\nb@x.org,B\n" << ab
            << QList<QStringList>{{"The row has more than 1000 fields."}, {"b@x.org", "B"}};
        QTest::newRow("more than 1 MiB in a quoted field")
            << "EMail,Name\na@x.org,\"" + QByteArray(1024 * 1024, 'x') + "\n\"\nb@x.org,B\n" << ab
            << QList<QStringList>{{"The row has more than 1048576 characters."}, {"b@x.org", "B"}};
    }
    void csvRecords() {
        QFETCH(QByteArray, content);
        CCsvSource source(Write(QStringLiteral("records.csv"), content));
        QTEST(source.Headers(), "headers");
        QTEST(ReadAll(source), "rows");
    }

    void csvLineNumbers() {
        CCsvSource source(Write(QStringLiteral("lines.csv"),
                                "EMail,Name\r\n\"a@x.org\",\"two\r\nlines\"\r\n\r\nb@x.org,B\r\n"));
        CContactRow row;
        QVERIFY(source.ReadRow(&row));
        QCOMPARE(row.nLine, 2);
        QVERIFY(source.ReadRow(&row));
        QCOMPARE(row.nLine, 5);
    }

    void encodings_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        const QString strName = QStringLiteral("Jürgen Müßig €");
        const QByteArray body = "EMail,Name\r\nj@x.org,";
        QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + body + strName.toUtf8() << strName;
        QTest::newRow("UTF-8 without BOM") << body + strName.toUtf8() << strName;
        QTest::newRow("Windows-1252") << body + QByteArray(QStringEncoder("windows-1252")(strName)) << strName;
        const auto utf16 = [](const QString& strText, QStringConverter::Encoding encoding) {
            return QByteArray(QStringEncoder(encoding)(strText));
        };
        const QString strText = QString::fromUtf8(body) + strName;
        QTest::newRow("UTF-16LE with BOM as Excel writes it")
            << "\xFF\xFE" + utf16(strText, QStringConverter::Utf16LE) << strName;
        QTest::newRow("UTF-16BE with BOM") << "\xFE\xFF" + utf16(strText, QStringConverter::Utf16BE)
                                           << strName;
        QTest::newRow("UTF-16LE without BOM") << utf16(strText, QStringConverter::Utf16LE) << strName;
        // Past the first piece read, so that a check of the start alone fails.
        QTest::newRow("Windows-1252 byte after 200 KB of ASCII")
            << body + QByteArray(200 * 1024, 'a') + "\xE9" << QString(200 * 1024, u'a') + u'é';
        const QString strCyrillic = QStringLiteral("Иван Петров Сергеевич из Москвы передаёт привет");
        QTest::newRow("Windows-1251 found by uchardet")
            << body + QByteArray(QStringEncoder("windows-1251")(strCyrillic + u' ' + strCyrillic)) << strCyrillic + u' ' + strCyrillic;
    }
    void encodings() {
        QFETCH(QByteArray, content);
        CCsvSource source(Write(QStringLiteral("encoded.csv"), content));
        QCOMPARE(source.Headers(), (QStringList{"EMail", "Name"}));
        const QList<QStringList> rows = ReadAll(source);
        QCOMPARE(rows.size(), 1);
        QTEST(rows[0].value(1), "name");
    }

    // A UTF-8 file with some lines from a Windows program: every UTF-8 line
    // stays exactly as written, only the others are read as Windows-1252,
    // and they are named by the lines the rows are counted by.
    void encodingPerLine_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<qint64>>("fallbackLines");
        const auto cp1252 = [](const QString& strText) { return QByteArray(QStringEncoder("windows-1252")(strText)); };
        QTest::newRow("one Windows-1252 line")
            << "EMail,Name\r\na@x.org,Jürgen Müßig\r\nb@x.org,"_ba + cp1252(u"Zoë €"_s) +
                   "\r\nc@x.org,Ærø\r\n"_ba
            << QStringList{u"Jürgen Müßig"_s, u"Zoë €"_s, u"Ærø"_s} << QList<qint64>{3};
        QTest::newRow("after a line break inside quotes, lone CR line ends")
            << "EMail,Name\ra@x.org,\"Jürgen\rMüßig\"\rb@x.org,"_ba + cp1252(u"Zoë"_s) +
                   "\rc@x.org,"_ba + cp1252(u"Ærø"_s) + "\rd@x.org,Ærø\rdd@x.org,Ölß\r"_ba
            << QStringList{u"Jürgen\rMüßig"_s, u"Zoë"_s, u"Ærø"_s, u"Ærø"_s, u"Ölß"_s}
            << QList<qint64>{4, 5};
        QTest::newRow("ASCII but for one Windows-1252 line: the whole file is Windows-1252")
            << "EMail,Name\na@x.org,Jane\nb@x.org,"_ba + cp1252(u"Grüße aus Köln von Zoë Müller"_s) + "\n"_ba
            << QStringList{u"Jane"_s, u"Grüße aus Köln von Zoë Müller"_s} << QList<qint64>{};
    }
    void encodingPerLine() {
        QFETCH(QByteArray, content);
        CCsvSource source(Write(QStringLiteral("mixed.csv"), content));
        QStringList names;
        CContactRow row;
        while (source.ReadRow(&row))
            names.append(row.fields.value(1));
        QTEST(names, "names");
        QTEST(source.FallbackLines(), "fallbackLines");
    }

    void unreadableFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("is empty.");
        QTest::newRow("binary renamed .csv")
            << QByteArrayLiteral("PK\x03\x04\x14\x00\x06\x00\x08\x00\x00\x00!\x00") + QByteArray(500, '\x01')
            << QStringLiteral("holds binary data");
        QTest::newRow("only blank lines") << QByteArray("\r\n\r\n") << QStringLiteral("holds no rows.");
    }
    void unreadableFiles() {
        QFETCH(QByteArray, content);
        const QString strPath = Write(QStringLiteral("bad.csv"), content);
        const QString strError = ErrorOf([&strPath] { CContactSource::Open(strPath); });
        QVERIFY2(strError.contains(QStringLiteral("bad.csv")), qPrintable(strError));
        QFETCH(QString, message);
        QVERIFY2(strError.contains(message), qPrintable(strError));
    }

    void vcardCards_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QStringList>>("rows"); // FN, PREFIX, EMAIL, ORG, TEL, NOTE
        QTest::newRow("vCard 2.1: quoted-printable, CHARSET, soft break, bare PREF")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xfcller;Hans;;Dr.;\r\n"
                          "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Hans M=C3=BCller=\r\n"
                          " Senior\r\nEMAIL;INTERNET:hans@home.de\r\nEMAIL;PREF;INTERNET:hans@work.de\r\n"
                          "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:Gr=FC=DFe=0D=0Aaus Bonn\r\n"
                          "END:VCARD\r\n")
            << QList<QStringList>{{"Hans Müller Senior", "Dr.", "hans@work.de", "", "", "Grüße\r\naus Bonn"},
                                  {"Hans Müller Senior", "Dr.", "hans@home.de", "", "", "Grüße\r\naus Bonn"}};
        QTest::newRow("vCard 3.0: folded line, escapes, TYPE=PREF, structured ORG")
            << QByteArray("BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane;;Ms.;\nFN:Jane Doe\nORG:Acme\\, Inc.;Sales\n"
                          "EMAIL;TYPE=INTERNET:jane@a.org\nEMAIL;TYPE=INTERNET,PREF:jane@b.org\n"
                          "TEL;TYPE=WORK:+1 555\nTEL:+1 666\nNOTE:line one\\nline two\\; more\n"
                          "  folded on\nEND:VCARD\n")
            << QList<QStringList>{{"Jane Doe", "Ms.", "jane@b.org", "Acme, Inc., Sales", "+1 555, +1 666",
                                   "line one\nline two; more folded on"},
                                  {"Jane Doe", "Ms.", "jane@a.org", "Acme, Inc., Sales", "+1 555, +1 666",
                                   "line one\nline two; more folded on"}};
        QTest::newRow("vCard 4.0: PREF=n orders, group names, name from N")
            << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Smith;John;Q;Mr.;\r\n"
                          "item1.EMAIL;PREF=2:two@x.org\r\nitem2.EMAIL;PREF=1:one@x.org\r\nEND:VCARD\r\n")
            << QList<QStringList>{{"John Q Smith", "Mr.", "one@x.org", "", "", ""},
                                  {"John Q Smith", "Mr.", "two@x.org", "", "", ""}};
        QTest::newRow("card without EMAIL, then one never ended")
            << QByteArray("junk\r\nBEGIN:VCARD\r\nFN:No Mail\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Cut\r\nEMAIL:c@x.org")
            << QList<QStringList>{{"No Mail", "", "", "", "", ""}, {"Cut", "", "c@x.org", "", "", ""}};
        QTest::newRow("photo in base64 is skipped")
            << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:P\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\n"
                          " SkZJRg==\r\nEMAIL:p@x.org\r\nEND:VCARD\r\n")
            << QList<QStringList>{{"P", "", "p@x.org", "", "", ""}};
        QTest::newRow("CR CR LF line ends, a folded line")
            << QByteArray("BEGIN:VCARD\r\r\nVERSION:3.0\r\r\nFN:Jane\r\r\n  Doe\r\r\nEMAIL:jane@x.org\r\r\n"
                          "END:VCARD\r\r\n")
            << QList<QStringList>{{"Jane Doe", "", "jane@x.org", "", "", ""}};
        QTest::newRow("CR line ends of old Macs, a soft line break")
            << QByteArray("BEGIN:VCARD\rVERSION:2.1\rFN;ENCODING=QUOTED-PRINTABLE:J=C3=BCr=\rgen\r"
                          "EMAIL:j@x.org\rEND:VCARD\rBEGIN:VCARD\rFN:Two\rEND:VCARD\r")
            << QList<QStringList>{{"Jürgen", "", "j@x.org", "", "", ""}, {"Two", "", "", "", "", ""}};
        // A value's CHARSET decides how its bytes are read; the others are
        // UTF-8 as the rest of the file.
        QTest::newRow("vCard 2.1: CHARSET=windows-1252 and ISO-8859-2 beside UTF-8")
            << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=windows-1252:Do\xEB;John\r\n"
                          "ORG;CHARSET=ISO-8859-2:\xA3\xF3" "d\xBC\r\nNOTE:Gr\xC3\xBC\xC3\x9F" "e\r\n"
                          "EMAIL:john@x.org\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m\r\n"
                          "EMAIL:zoe@x.org\r\nEND:VCARD\r\n")
            << QList<QStringList>{{"John Doë", "", "john@x.org", "Łódź", "", "Grüße"},
                                  {"Zoë Ångström", "", "zoe@x.org", "", "", ""}};
        QTest::newRow("a BEGIN:VCARD inside an open card ends it, refused")
            << QByteArray("BEGIN:VCARD\r\nFN:First\r\nEMAIL:first@x.org\r\nBEGIN:VCARD\r\nFN:Second\r\n"
                          "EMAIL:second@x.org\r\nEND:VCARD\r\n")
            << QList<QStringList>{
                   {"First", "", "first@x.org", "", "", "",
                    "The card does not end before the next card begins in line 4."},
                   {"Second", "", "second@x.org", "", "", ""}};
        // Bounded: a card too long to keep is refused alone; what no column
        // uses, however long, is passed over.
        QByteArray longNote = "BEGIN:VCARD\r\nFN:Long\r\nNOTE;ENCODING=QUOTED-PRINTABLE:";
        for (int i = 0; i < 15000; ++i)
            longNote += QByteArray(72, 'n') + "=\r\n";
        QTest::newRow("a NOTE of more than 1 MiB refuses its card")
            << longNote + "end\r\nEMAIL:long@x.org\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Next\r\nEND:VCARD\r\n"
            << QList<QStringList>{{"", "", "", "", "", "", "The card holds more than 1 MiB of text."},
                                  {"Next", "", "", "", "", ""}};
        QByteArray photo = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Photo\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
        for (int i = 0; i < 30000; ++i)
            photo += " " + QByteArray(74, 'A') + "\r\n";
        QTest::newRow("a PHOTO of 2 MB is passed over")
            << photo + "EMAIL:photo@x.org\r\nEND:VCARD\r\n"
            << QList<QStringList>{{"Photo", "", "photo@x.org", "", "", ""}};
    }
    void vcardCards() {
        QFETCH(QByteArray, content);
        CVCardSource source(Write(QStringLiteral("cards.vcf"), content));
        QList<QStringList> rows;
        CContactRow row;
        const QStringList& columns = CVCardSource::ColumnNames();
        while (source.ReadRow(&row)) {
            QStringList picked;
            for (const char* pszColumn : {"FN", "PREFIX", "EMAIL", "ORG", "TEL", "NOTE"})
                picked.append(row.fields.value(columns.indexOf(QLatin1String(pszColumn))));
            if (!row.strProblem.isEmpty())
                picked.append(row.strProblem);
            rows.append(picked);
        }
        QTEST(rows, "rows");
    }

    // Files as python3-vobject, a widely used vCard library, writes them.
    void vcardFromVobject() {
        const QString strPath = m_dir.filePath(QStringLiteral("vobject.vcf"));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(CORVANE_SOURCE_DIR "/tests/contacts/write_vcards.py"), strPath});
        QVERIFY(python.waitForFinished(30000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        CVCardSource source(strPath);
        const QStringList& columns = CVCardSource::ColumnNames();
        QList<QStringList> rows;
        CContactRow row;
        while (source.ReadRow(&row))
            rows.append({row.fields[columns.indexOf("FN")], row.fields[columns.indexOf("PREFIX")],
                         row.fields[columns.indexOf("EMAIL")], row.fields[columns.indexOf("NOTE")],
                         row.fields[columns.indexOf("ADR")]});
        const QString strLongNote = QString(120, u'ö') + QStringLiteral("; with, marks\nand a break");
        QCOMPARE(rows, (QList<QStringList>{
                           {"Zoë Ångström-O'Neil", "Dr.", "zoe@example.org", strLongNote,
                            "Hauptstraße 1, Köln, 50667, Germany"},
                           {"Plain Person", "", "plain@example.com", "", ""}}));
    }

    void recognisedHeaders_data() {
        QTest::addColumn<QString>("headers");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QStringList>("values"); // EMail, Prefix, Name
        QTest::newRow("Thunderbird")
            << "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Job Title"
            << "Jane,Doe,,JD,jane@x.org,j2@x.org,Boss" << QStringList{"jane@x.org", "", "Jane Doe"};
        QTest::newRow("Thunderbird with display name")
            << "First Name,Last Name,Display Name,Primary Email" << "Jane,Doe,Janie D.,jane@x.org"
            << QStringList{"jane@x.org", "", "Janie D."};
        QTest::newRow("Google Contacts")
            << "First Name,Middle Name,Last Name,Name Prefix,Organization Name,E-mail 1 - Label,E-mail 1 - Value"
            << "Jane,Q,Doe,Dr.,Acme,* Home,jane@x.org" << QStringList{"jane@x.org", "Dr.", "Jane Q Doe"};
        QTest::newRow("Google Contacts, the address in E-mail 2")
            << "First Name,Last Name,E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value"
            << "Jane,Doe,,,* Work,jane@x.org" << QStringList{"jane@x.org", "", "Jane Doe"};
        QTest::newRow("Google Contacts, older form")
            << "Name,Given Name,Family Name,Name Prefix,E-mail 1 - Type,E-mail 1 - Value"
            << "Jane Doe,Jane,Doe,Ms.,* Work,jane@x.org" << QStringList{"jane@x.org", "Ms.", "Jane Doe"};
        QTest::newRow("Outlook")
            << "Title,First Name,Middle Name,Last Name,Suffix,Company,Job Title,E-mail Address,E-mail 2 Address"
            << "Mr.,John,,Smith,,Acme,Chief,john@x.org," << QStringList{"john@x.org", "Mr.", "John Smith"};
        QTest::newRow("Outlook in German")
            << "Anrede,Vorname,Weitere Vornamen,Nachname,Suffix,Firma,Abteilung,Position,E-Mail-Adresse,"
               "E-Mail-Typ,E-Mail: angezeigter Name"
            << "Herr,Jürgen,Karl,Müller,,Acme,,,juergen@x.org,SMTP,Jürgen Müller"
            << QStringList{"juergen@x.org", "Herr", "Jürgen Karl Müller"};
        QTest::newRow("Outlook in French")
            << "Titre,Prénom,Deuxième prénom,Nom,Suffixe,Société,Service,Adresse de messagerie"
            << "Mme,Zoé,,Dupont,,Acme,,zoe@x.org" << QStringList{"zoe@x.org", "Mme", "Zoé Dupont"};
        QTest::newRow("Thunderbird in German")
            << "Vorname,Nachname,Anzeigename,Spitzname,Primäre E-Mail-Adresse,Sekundäre E-Mail-Adresse"
            << "Anna,Schmidt,,,anna@x.org," << QStringList{"anna@x.org", "", "Anna Schmidt"};
        QTest::newRow("vCard columns")
            << CVCardSource::ColumnNames().join(u',') << ",Prof.,p@x.org,Org,Job Title,,,,,,,,,,"
            << QStringList{"p@x.org", "Prof.", ""};
    }
    void recognisedHeaders() {
        QFETCH(QString, headers);
        QFETCH(QString, row);
        const CContactMapping mapping = CContactMapping::Recognise(headers.split(u','));
        QStringList values;
        for (const char* pszField : {"EMail", "Prefix", "Name"})
            values.append(mapping.Value(CContactMapping::FieldIndex(QLatin1String(pszField)), row.split(u',')));
        QTEST(values, "values");
    }

    void rememberedMapping() {
        const QStringList headers = {"Mail", "Who", "Notes"};
        CContactMapping mapping = CContactMapping::ForHeaders(headers);
        QCOMPARE(mapping.Columns(CContactMapping::FieldIndex("EMail")), QList<int>{0});
        QVERIFY(!mapping.IsMapped(CContactMapping::FieldIndex("Name")));
        mapping.SetColumns(CContactMapping::FieldIndex("Name"), {1});
        mapping.SetColumns(CContactMapping::FieldIndex("MY_3"), {2, 1}, {0});
        mapping.AddFallback(CContactMapping::FieldIndex("MY_3"), {1});
        QVERIFY(mapping.Remember(headers));
        QCOMPARE(CContactMapping::ForHeaders(headers), mapping);
        // Another header set keeps its own.
        QVERIFY(!CContactMapping::ForHeaders({"Mail", "Who"}).IsMapped(CContactMapping::FieldIndex("Name")));
        CContactMapping out;
        QVERIFY(!CContactMapping::FromText(mapping.ToText(), 2, &out));
    }
};

QTEST_GUILESS_MAIN(TestContactParsing)
#include "tst_contactparsing.moc"
