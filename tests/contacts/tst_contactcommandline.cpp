#include "tests/support/RawSqlite.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Outcome {
    int nExit = -1;
    QString strOut;
    QString strError;
};

} // namespace

// The program itself, run as a script would run it: no display, the
// current folder's Addresses.mdb.
class TestContactCommandLine : public QObject {
    Q_OBJECT

private:
    Outcome Run(const QStringList& arguments) {
        QProcess program;
        program.setWorkingDirectory(m_dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(CORVANE_EXECUTABLE), arguments);
        if (!program.waitForFinished(60000))
            return {};
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2,
                QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    void Write(const QString& strName, const QByteArray& content) {
        QFile file(m_dir.filePath(strName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }

    QStringList Stored(const QString& strSql) {
        return RawSqlite(m_dir.filePath(QStringLiteral("Addresses.mdb"))).Column(strSql);
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init() {
        for (const QString& strName : QDir(m_dir.path()).entryList(QDir::Files))
            QVERIFY(QFile::remove(m_dir.filePath(strName)));
    }

    void help() {
        const Outcome outcome = Run({QStringLiteral("--help")});
        QCOMPARE(outcome.nExit, 0);
        QVERIFY2(outcome.strOut.contains(QStringLiteral("--import FILE [--template NAME] [--update]")),
                 qPrintable(outcome.strOut));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Addresses.mdb"))));
    }

    void wrongOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << QStringList{"--import"} << "--import needs a value.";
        QTest::newRow("unknown") << QStringList{"--export", "a.csv", "--fast"} << "Unknown option \"--fast\".";
        QTest::newRow("both") << QStringList{"--import", "a.csv", "--export", "b.csv"}
                              << "Give either --import FILE or --export FILE.";
        QTest::newRow("template missing") << QStringList{"--import", "a.csv", "--template", "No.txt"}
                                          << "The template \"No.txt\" is not a file of this folder.";
        QTest::newRow("template outside the folder")
            << QStringList{"--import", "a.csv", "--template", "/etc/passwd"}
            << "The template \"/etc/passwd\" is not a file of this folder.";
        QTest::newRow("a column that is no field")
            << QStringList{"--import", "a.csv", "--columns", "EMail,Phone"}
            << "--columns names \"Phone\", which is no field.";
        QTest::newRow("columns of a vCard") << QStringList{"--import", "a.vcf", "--columns", "EMail"}
                                            << "--columns is for CSV files";
    }
    void wrongOptions() {
        QFETCH(QStringList, arguments);
        const Outcome outcome = Run(arguments);
        QCOMPARE(outcome.nExit, 2);
        QFETCH(QString, message);
        QVERIFY2(outcome.strError.startsWith(message), qPrintable(outcome.strError));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Addresses.mdb"))));
    }

    void importThenExport() {
        Write(QStringLiteral("Offer.txt"), "Dear %s");
        Write(QStringLiteral("people.csv"),
              "First Name;Last Name;E-mail Address\nJane;Doe;jane@x.org\nJohn;Roe;not an address\n");
        Outcome outcome = Run({"--import", "people.csv", "--template", "Offer.txt"});
        QCOMPARE(outcome.nExit, 0);
        QVERIFY2(outcome.strOut.startsWith(QStringLiteral(
                     "Added: 1\nUpdated: 0\nSkipped as duplicates: 0\nRefused: 1\n\nLine 3: The mail "
                     "library would refuse the address \"not an address\".")),
                 qPrintable(outcome.strOut));
        QCOMPARE(Stored(QStringLiteral("SELECT Name || '|' || Template FROM ADDRESSES")),
                 QStringList{"Jane Doe|Offer.txt"});

        // The same file again: nothing to do, so the exit status says so.
        outcome = Run({"--import", "people.csv"});
        QCOMPARE(outcome.nExit, 1);
        QVERIFY(outcome.strOut.contains(QStringLiteral("Skipped as duplicates: 1")));
        // With --update, --template gives the updated records the template.
        Write(QStringLiteral("Other.txt"), "Hello %s");
        Write(QStringLiteral("people.csv"), "E-mail Address,Last Name\nJANE@x.org,Smith\n");
        outcome = Run({"--import", "people.csv", "--update", "--template", "Other.txt"});
        QCOMPARE(outcome.nExit, 0);
        QCOMPARE(Stored(QStringLiteral("SELECT Name || '|' || Template FROM ADDRESSES")),
                 QStringList{"Smith|Other.txt"});

        outcome = Run({"--export", "backup.vcf"});
        QCOMPARE(outcome.nExit, 0);
        QCOMPARE(outcome.strOut, QStringLiteral("Exported: 1\n"));
        QFile vcf(m_dir.filePath(QStringLiteral("backup.vcf")));
        QVERIFY(vcf.open(QIODevice::ReadOnly));
        QVERIFY(vcf.readAll().contains("EMAIL;TYPE=INTERNET:jane@x.org\r\n"));
    }

    // A file without a header line, its columns named on the command line.
    void columnsNamedOnTheCommandLine() {
        Write(QStringLiteral("plain.csv"), "jane@x.org;Jane Doe;;VIP\njohn@x.org;John Roe;x;\n");
        const Outcome outcome = Run({"--import", "plain.csv", "--columns", "email, Name,,my_1"});
        QCOMPARE(outcome.nExit, 0);
        QVERIFY2(outcome.strOut.startsWith(QStringLiteral("Added: 2\n")), qPrintable(outcome.strOut));
        QCOMPARE(Stored(QStringLiteral("SELECT EMail || '|' || Name || '|' || MY_1 FROM ADDRESSES ORDER BY ID_Address")),
                 (QStringList{"jane@x.org|Jane Doe|VIP", "john@x.org|John Roe| "}));
    }

    void nothingToDo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("export without a store") << QStringList{"--export", "out.csv"} << QByteArray()
                                                << "There is no Addresses.mdb in this folder.";
        QTest::newRow("missing file") << QStringList{"--import", "none.csv"} << QByteArray()
                                      << "cannot be read";
        QTest::newRow("binary file") << QStringList{"--import", "in.csv"}
                                     << QByteArray("\x7F" "ELF\x02\x01\x01\x00\x00\x00", 10)
                                     << "holds binary data";
        QTest::newRow("no address column") << QStringList{"--import", "in.csv"}
                                           << QByteArray("Who,Where\nJane,Here\n")
                                           << "No column of the file is chosen for the e-mail address.";
        QTest::newRow("unknown columns are named, with the way to name them")
            << QStringList{"--import", "in.csv"} << QByteArray("Who,Title,Contact\nJane,Ms,jane@x.org\n")
            << "The file's columns are: Who, Title, Contact.\nName them by the fields they fill, in their "
               "order, for example:\n  corvane --import in.csv --columns ,Prefix,EMail";
    }
    void nothingToDo() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, content);
        if (!content.isEmpty())
            Write(QStringLiteral("in.csv"), content);
        const Outcome outcome = Run(arguments);
        QCOMPARE(outcome.nExit, 1);
        QFETCH(QString, message);
        QVERIFY2(outcome.strError.contains(message), qPrintable(outcome.strError));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("out.csv"))));
    }
};

QTEST_GUILESS_MAIN(TestContactCommandLine)
#include "tst_contactcommandline.moc"
