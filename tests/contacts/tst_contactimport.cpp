#include "engine/contacts/CContactError.h"
#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "engine/contacts/CCsvSource.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/COleDateTime.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "tests/support/RawSqlite.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const char kAllFields[] =
    "SELECT ID_Address || '|' || Date || '|' || EMail || '|' || Prefix || '|' || Name || '|' || "
    "Template || '|' || MY_1 || '|' || MY_2 || '|' || MY_3 || '|' || MY_4 || '|' || MY_5 "
    "FROM ADDRESSES ORDER BY ID_Address";

QByteArray FileBytes(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestContactImport : public QObject {
    Q_OBJECT

private:
    // A fresh folder with an empty Addresses.mdb, made current.
    void NewStore() {
        m_pDb.reset();
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_pDir->path()));
        m_pDb = std::make_unique<CAddressDatabase>();
        QVERIFY(m_pDb->OpenOrCreate());
    }

    QString Write(const QString& strName, const QByteArray& content) {
        const QString strPath = m_pDir->filePath(strName);
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(strPath));
        return strPath;
    }

    CImportSummary Import(const QString& strPath, bool bUpdate = false,
                          const CContactImport::Progress& progress = {},
                          bool bTemplateForUpdated = false) {
        std::unique_ptr<CContactSource> pSource = CContactSource::Open(strPath);
        CImportOptions options;
        options.mapping = CContactMapping::Recognise(pSource->Headers());
        options.strTemplate = QStringLiteral("Offer.txt");
        options.bUpdate = bUpdate;
        options.bTemplateForUpdated = bTemplateForUpdated;
        CContactImport import(m_pDb->m_pCDaoDatabase.get(), m_pDb->m_schema);
        return import.Run(*pSource, options, progress);
    }

    QStringList Stored(const QString& strSql = QString::fromLatin1(kAllFields)) {
        return RawSqlite(m_pDir->filePath(QStringLiteral("Addresses.mdb"))).Column(strSql);
    }

    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CAddressDatabase> m_pDb;

private Q_SLOTS:
    void initTestCase() {
        SetMessageBoxHandler([](const MessageBoxCall& call) {
            qWarning("unexpected box: %s", qPrintable(call.strText));
            return IDOK;
        });
    }
    void cleanup() {
        m_pDb.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    void rowRules_data() {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QString>("stored"); // EMail|Prefix|Name|Template|MY_1, or empty
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty fields get a single blank")
            << QByteArray("a@x.org,,,,") << "a@x.org| | |Offer.txt| " << QString();
        QTest::newRow("the file's template wins")
            << QByteArray("a@x.org,Ms,Jane,Other.txt,\"two\nlines\"")
            << "a@x.org|Ms|Jane|Other.txt|two\nlines" << QString();
        QTest::newRow("address with 200 characters")
            << QByteArray(188, 'a') + "@example.org,,,," << QString(188, u'a') + "@example.org| | |Offer.txt| "
            << QString();
        QTest::newRow("address with 201 characters")
            << QByteArray(189, 'a') + "@example.org,,,," << QString()
            << "The EMail has 201 characters; it holds at most 200.";
        QTest::newRow("name with a control character")
            << QByteArray("a@x.org,,Jane\x07,,") << QString()
            << "The Name holds a control character (U+0007).";
        QTest::newRow("a tab in a name") << QByteArray("a@x.org,,\"Ja\tne\",,") << QString()
                                         << "The Name holds a control character (U+0009).";
        QTest::newRow("name with 151 characters")
            << "a@x.org,," + QByteArray(151, 'n') + ",," << QString()
            << "The Name has 151 characters; it holds at most 150.";
        QTest::newRow("151 letters beyond the BMP count as characters")
            << "a@x.org,," + QString(150, QChar(0x1F600)).toUtf8() + ",,"
            << "a@x.org| |" + QString(150, QChar(0x1F600)) + "|Offer.txt| " << QString();
        QTest::newRow("no address") << QByteArray(",Ms,Jane,,") << QString() << "It has no e-mail address.";
        QTest::newRow("two addresses") << QByteArray("\"a@x.org, b@x.org\",,,,") << QString()
                                       << "The mail library would refuse the address \"a@x.org, b@x.org\".";
        QTest::newRow("an address with a line break")
            << QByteArray("\"a@x.org\nBcc: c@x.org\",,,,") << QString()
            << "The EMail holds a control character (U+000a).";
        QTest::newRow("blanks around the address are dropped")
            << QByteArray("  a@x.org  ,,,,") << "a@x.org| | |Offer.txt| " << QString();
        // A send reads the template and mails what it holds: a file's row
        // never names one outside the start folder.
        QTest::newRow("a template in the folder above")
            << QByteArray("a@x.org,,,../private.txt,") << QString()
            << "The template \"../private.txt\" is not the name of a file in the start folder.";
        QTest::newRow("an absolute template")
            << QByteArray("a@x.org,,,/home/u/.config/Corvane/Corvane.conf,") << QString()
            << "The template \"/home/u/.config/Corvane/Corvane.conf\" is not the name of a file in the "
               "start folder.";
        QTest::newRow("a template in a Windows folder")
            << QByteArray("a@x.org,,,..\\Offer.txt,") << QString()
            << "The template \"..\\Offer.txt\" is not the name of a file in the start folder.";
        QTest::newRow("a template named ..") << QByteArray("a@x.org,,,..,") << QString()
                                             << "The template \"..\" is not the name of a file in the start folder.";
        QTest::newRow("a plain template name with dots")
            << QByteArray("a@x.org,,,..Offer v2.txt,") << "a@x.org| | |..Offer v2.txt| " << QString();
        QTest::newRow("a domain not in ASCII is stored in its ASCII form")
            << QByteArray("mia@münchen.de,,,,") << "mia@xn--mnchen-3ya.de| | |Offer.txt| " << QString();
        QTest::newRow("a local part not in ASCII stays refused")
            << QByteArray("jürgen@münchen.de,,,,") << QString()
            << "The mail library would refuse the address \"jürgen@münchen.de\".";
    }
    void rowRules() {
        QFETCH(QByteArray, row);
        QFETCH(QString, stored);
        QFETCH(QString, reason);
        NewStore();
        const CImportSummary summary =
            Import(Write(QStringLiteral("rules.csv"), "EMail,Prefix,Name,Template,MY_1\r\n" + row + "\r\n"));
        QCOMPARE(Stored(QStringLiteral("SELECT EMail || '|' || Prefix || '|' || Name || '|' || "
                                       "Template || '|' || MY_1 FROM ADDRESSES")),
                 stored.isEmpty() ? QStringList() : QStringList{stored});
        QCOMPARE(summary.m_nAdded, stored.isEmpty() ? 0 : 1);
        QCOMPARE(summary.RefusedCount(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            QCOMPARE(summary.m_notImported[0].strReason, reason);
    }

    // Google Contacts joins the addresses of one label with " ::: ": one
    // record each. A domain not in ASCII is noted where it was changed.
    void oneCellManyAddresses() {
        NewStore();
        const CImportSummary summary = Import(Write(
            QStringLiteral("google.csv"),
            "Name,E-mail 1 - Label,E-mail 1 - Value\r\nJane Doe,* Home ::: Work,jane@x.org ::: "
            "jane@münchen.de\r\nJohn Roe,Home,john@x.org ::: jane@x.org\r\n"));
        QCOMPARE(Stored(QStringLiteral("SELECT EMail || '|' || Name FROM ADDRESSES ORDER BY ID_Address")),
                 (QStringList{"jane@x.org|Jane Doe", "jane@xn--mnchen-3ya.de|Jane Doe", "john@x.org|John Roe"}));
        QCOMPARE(summary.Text(10), QStringLiteral(
                                       "Added: 3\nUpdated: 0\nSkipped as duplicates: 1\nRefused: 0\n\n"
                                       "Line 3: The address jane@x.org is in line 2 already.\n\n"
                                       "Line 2: The address jane@münchen.de is stored as jane@xn--mnchen-3ya.de."));
    }

    // The template chosen for the import goes to updated records too when
    // asked; a template the file gives wins.
    void templateOfUpdatedRecords_data() {
        QTest::addColumn<bool>("bTemplateForUpdated");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("stored");
        QTest::newRow("not asked: kept") << false << QByteArray("EMail,Name\nold@x.org,New\n") << "Old.txt";
        QTest::newRow("asked: the import's") << true << QByteArray("EMail,Name\nold@x.org,New\n") << "Offer.txt";
        QTest::newRow("asked, the file gives one")
            << true << QByteArray("EMail,Template\nold@x.org,Own.txt\n") << "Own.txt";
    }
    void templateOfUpdatedRecords() {
        QFETCH(bool, bTemplateForUpdated);
        QFETCH(QByteArray, content);
        NewStore();
        Import(Write(QStringLiteral("old.csv"), "EMail,Template\nold@x.org,Old.txt\n"));
        QCOMPARE(Import(Write(QStringLiteral("new.csv"), content), true, {}, bTemplateForUpdated).m_nUpdated, 1);
        QTEST(Stored(QStringLiteral("SELECT Template FROM ADDRESSES")).value(0), "stored");
    }

    // A UTF-8 file with a line from a Windows program: the summary names it.
    void summaryNamesLinesReadAsWindows1252() {
        NewStore();
        const CImportSummary summary =
            Import(Write(QStringLiteral("mixed.csv"), "EMail,Name\na@x.org,Jürgen\nb@x.org,Zo\xEB\n"));
        QCOMPARE(Stored(QStringLiteral("SELECT Name FROM ADDRESSES ORDER BY ID_Address")),
                 (QStringList{"Jürgen", "Zoë"}));
        QVERIFY2(summary.Text(10).contains(QStringLiteral("\nLines read as Windows-1252, not UTF-8: 3")),
                 qPrintable(summary.Text(10)));
    }

    // Extra fields that are empty are dropped (Thunderbird ends each row
    // with one); a short row is taken when it lacks only columns that fill
    // nothing, refused when it lacks one that fills a field.
    void rowsOfAnotherLength() {
        NewStore();
        const CImportSummary summary = Import(Write(QStringLiteral("lengths.csv"),
                                                    "First Name,Last Name,Primary Email,Notes,Custom 1\r\n"
                                                    "Jane,Doe,jane@x.org,,,\r\n"
                                                    "John,Roe,john@x.org\r\n"
                                                    "Ann,Ray\r\n"
                                                    "Eve,Poe,eve@x.org,,,text\r\n"));
        QCOMPARE(Stored(QStringLiteral("SELECT EMail || '|' || Name FROM ADDRESSES ORDER BY ID_Address")),
                 (QStringList{"jane@x.org|Jane Doe", "john@x.org|John Roe"}));
        QCOMPARE(summary.Text(10),
                 QStringLiteral("Added: 2\nUpdated: 0\nSkipped as duplicates: 0\nRefused: 2\n\n"
                                "Line 4: The row has 2 fields; the header has 5.\n"
                                "Line 5: The row has 6 fields; the header has 5."));
    }

    void dates_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("stored");
        QTest::newRow("ISO") << "2019-03-04 05:06:07" << "2019-03-04 05:06:07";
        QTest::newRow("as the table shows it") << "03/04/19" << "2019-03-04 00:00:00";
        QTest::newRow("empty gives today") << "" << COleDateTime::GetCurrentTime().FormatIso().left(10);
        QTest::newRow("not a date") << "soon" << "";
    }
    void dates() {
        QFETCH(QString, date);
        QFETCH(QString, stored);
        NewStore();
        const CImportSummary summary =
            Import(Write(QStringLiteral("dates.csv"), ("EMail,Date\na@x.org," + date + "\n").toUtf8()));
        const QStringList dates = Stored(QStringLiteral("SELECT Date FROM ADDRESSES"));
        QCOMPARE(dates.size(), stored.isEmpty() ? 0 : 1);
        if (stored.isEmpty())
            QCOMPARE(summary.m_notImported.value(0).strReason,
                     QStringLiteral("The Date \"soon\" is not a date."));
        else
            QVERIFY2(dates[0].startsWith(stored), qPrintable(dates[0]));
    }

    void twins() {
        NewStore();
        Import(Write(QStringLiteral("first.csv"), "EMail,Name,MY_1\nold@x.org,Old Name,keep\n"));
        const QByteArray second = "EMail,Name,MY_1\nnew@x.org,New,\nNEW@X.org,Twin,\nOld@X.org,Renamed,\n";
        CImportSummary summary = Import(Write(QStringLiteral("second.csv"), second));
        QCOMPARE(summary.m_nAdded, 1);
        QCOMPARE(summary.m_nDuplicates, 2);
        QCOMPARE(summary.m_notImported[0].strReason,
                 QStringLiteral("The address NEW@X.org is in line 2 already."));
        QCOMPARE(summary.m_notImported[1].strReason,
                 QStringLiteral("The address Old@X.org is stored already."));
        QCOMPARE(Stored(QStringLiteral("SELECT Name || '|' || MY_1 FROM ADDRESSES ORDER BY ID_Address")),
                 (QStringList{"Old Name|keep", "New| "}));

        // With update, the stored record takes the file's other fields; an
        // empty cell keeps what is stored, and the address keeps its form.
        summary = Import(Write(QStringLiteral("second.csv"), second), true);
        QCOMPARE(summary.m_nUpdated, 2);
        QCOMPARE(summary.m_nDuplicates, 1);
        QCOMPARE(Stored(QStringLiteral("SELECT EMail || '|' || Name || '|' || MY_1 FROM ADDRESSES "
                                       "ORDER BY ID_Address")),
                 (QStringList{"old@x.org|Renamed|keep", "new@x.org|New| "}));
    }

    // A failure of the store at row 900 of 1,000 (another program's trigger
    // refuses that insert) leaves the file as it was, byte for byte.
    void failureLeavesFileUnchanged_data() {
        QTest::addColumn<bool>("bCancel");
        QTest::newRow("store fails at row 900") << false;
        QTest::newRow("cancelled after row 768") << true;
    }
    void failureLeavesFileUnchanged() {
        QFETCH(bool, bCancel);
        NewStore();
        Import(Write(QStringLiteral("before.csv"), "EMail,Name\nfirst@x.org,First\n"));
        const QString strDb = m_pDir->filePath(QStringLiteral("Addresses.mdb"));
        QCOMPARE(RawSqlite(strDb).Exec(QStringLiteral(
                     "CREATE TRIGGER refuse900 BEFORE INSERT ON ADDRESSES WHEN NEW.Name = 'Row 900' "
                     "BEGIN SELECT RAISE(ABORT, 'disk full at row 900'); END")),
                 SQLITE_OK);
        QByteArray content = "EMail,Name\n";
        for (int nRow = 1; nRow <= 1000; ++nRow)
            content += QStringLiteral("row%1@x.org,Row %1\n").arg(nRow).toUtf8();
        const QString strPath = Write(QStringLiteral("rows.csv"), content);
        const QByteArray before = FileBytes(strDb);
        if (bCancel) {
            int nCalls = 0;
            // Told every 256 rows: the third call comes after row 768.
            const CImportSummary summary =
                Import(strPath, false, [&nCalls](qint64, qint64) { return ++nCalls < 3; });
            QVERIFY(summary.m_bCancelled);
            QCOMPARE(summary.m_nAdded, 0);
        } else {
            QString strError;
            try {
                Import(strPath);
            } catch (const CDaoException& e) {
                strError = e.m_pErrorInfo->m_strDescription;
            }
            QCOMPARE(strError, QStringLiteral("disk full at row 900"));
        }
        m_pDb.reset();
        QCOMPARE(FileBytes(strDb), before);
        QVERIFY(!QFile::exists(strDb + QStringLiteral("-journal")));
        QCOMPARE(Stored(QStringLiteral("SELECT count(*) FROM ADDRESSES")), QStringList{"1"});
    }

    void headerOnly() {
        NewStore();
        const QByteArray before = FileBytes(QStringLiteral("Addresses.mdb"));
        QString strError;
        try {
            Import(Write(QStringLiteral("header.csv"), "EMail,Name\r\n"));
        } catch (const CContactError& e) {
            strError = e.Message();
        }
        QCOMPARE(strError, QStringLiteral("The file holds no addresses."));
        m_pDb.reset();
        QCOMPARE(FileBytes(QStringLiteral("Addresses.mdb")), before);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("CSV") << "export.csv";
        QTest::newRow("vCard") << "export.vcf";
    }
    // Exporting and importing again into an empty folder gives the same
    // records field for field.
    void roundTrip() {
        QFETCH(QString, file);
        NewStore();
        const QByteArray original =
            "ID_Address,Date,EMail,Prefix,Name,Template,MY_1,MY_2,MY_3,MY_4,MY_5\r\n"
            "7,2001-02-03 04:05:06,a@x.org,Dr.,\"Doe, \"\"Jane\"\"\",Offer.txt,\"line\nbreak\",semi;colon,"
            "back\\slash,\" lead\",Ünïcödé €\r\n"
            "8,,b@x.org,,Ångström " + QByteArray(140, 'x') + ",,,,,," + QByteArray(300, 'l') + "\r\n"
            "9,,c@x.org,@SUM(A1),\"=HYPERLINK(\"\"http://x\"\")\",,+1 555 0100,-12.5,''quoted,\"\tTab\",-\r\n";
        QCOMPARE(Import(Write(QStringLiteral("original.csv"), original)).m_nAdded, 3);
        const QStringList before = Stored();
        QCOMPARE(before.size(), 3);
        QVERIFY2(before[2].contains(QStringLiteral("|=HYPERLINK(\"http://x\")|Offer.txt|+1 555 0100|-12.5|'quoted|\tTab|-")),
                 qPrintable(before[2]));
        const QString strExport = m_pDir->filePath(file);
        QCOMPARE(CContactExport(m_pDb->m_pCDaoDatabase.get(), m_pDb->m_schema).Run(strExport), 3);
        // No field starts a spreadsheet formula; a stored single blank is an
        // empty field.
        if (file.endsWith(QStringLiteral(".csv")))
            QVERIFY2(FileBytes(strExport).startsWith("\xEF\xBB\xBFID_Address,Date,EMail,Prefix,Name,") &&
                         FileBytes(strExport).contains(",c@x.org,'@SUM(A1),\"'=HYPERLINK(\"\"http://x\"\")\",Offer.txt,"
                                                       "'+1 555 0100,-12.5,''quoted,\"'\tTab\",'-\r\n") &&
                         FileBytes(strExport).contains(",b@x.org,,Ångström "),
                     FileBytes(strExport).constData());

        const auto pExported = std::make_unique<QTemporaryDir>();
        QVERIFY(QFile::copy(strExport, pExported->filePath(file)));
        NewStore();
        const CImportSummary summary = Import(pExported->filePath(file));
        QCOMPARE(summary.m_nAdded, 3);
        QCOMPARE(Stored(), before);
    }

    void exportSelection() {
        NewStore();
        Import(Write(QStringLiteral("three.csv"), "EMail\na@x.org\nb@x.org\nc@x.org\n"));
        const QString strExport = m_pDir->filePath(QStringLiteral("some.csv"));
        QCOMPARE(CContactExport(m_pDb->m_pCDaoDatabase.get(), m_pDb->m_schema).Run(strExport, {3, 1}), 2);
        CCsvSource source(strExport);
        QList<QString> addresses;
        CContactRow row;
        while (source.ReadRow(&row))
            addresses.append(row.fields.value(2));
        QCOMPARE(addresses, (QList<QString>{"a@x.org", "c@x.org"}));
    }

    void refusedRowsSaved() {
        NewStore();
        const CImportSummary summary = Import(Write(
            QStringLiteral("mixed.csv"), "EMail;Name\ngood@x.org;Good\nbad address;Bad\ngood@x.org;Twin\n"));
        QCOMPARE(summary.Text(5), QStringLiteral(
                                      "Added: 1\nUpdated: 0\nSkipped as duplicates: 1\nRefused: 1\n\n"
                                      "Line 3: The mail library would refuse the address \"bad address\".\n"
                                      "Line 4: The address good@x.org is in line 2 already."));
        const QString strRefused = m_pDir->filePath(QStringLiteral("refused.csv"));
        summary.SaveRefused(strRefused);
        QCOMPARE(FileBytes(strRefused),
                 QByteArray("\xEF\xBB\xBF" "EMail,Name,Reason\r\nbad address,Bad,"
                            "\"The mail library would refuse the address \"\"bad address\"\".\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestContactImport)
#include "tst_contactimport.moc"
