// The program's command line as a script meets it: a wrong option is told on
// the error output with the usage, and the program ends with status 2
// without a window (no display is there to open one); no options, file names
// and Qt's own options start the windows.

#include "tests/support/CProgramRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestAppCommandLine : public QObject {
    Q_OBJECT

private:
    CProgramRun Run(const QStringList& arguments, const QProcessEnvironment& extra = {}) {
        return CProgramRun::Run(QStringLiteral(CORVANE_EXECUTABLE), arguments, m_dir.path(), extra);
    }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files); }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init() {
        for (const QString& strName : Files())
            QVERIFY(QFile::remove(m_dir.filePath(strName)));
    }

    void wrongOptionsEndWithTheUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("misspelt") << QStringList{"--sned"} << "Unknown option \"--sned\".";
        QTest::newRow("after Qt's own") << QStringList{"-platform", "offscreen", "-x", "a.txt"}
                                        << "Unknown option \"-x\".";
        QTest::newRow("value missing") << QStringList{"--export"} << "--export needs a value.";
        QTest::newRow("an option for a value")
            << QStringList{"--import", "--update"} << "--import needs a value.";
        QTest::newRow("a switch's value") << QStringList{"--help=yes"} << "--help takes no value.";
        QTest::newRow("without its command")
            << QStringList{"--update"}
            << "--update is used only in: corvane --import FILE [--template NAME] [--update] "
               "[--columns LIST]";
        QTest::newRow("twice") << QStringList{"--export", "a.csv", "--export=b.csv"}
                               << "--export is given twice.";
        QTest::newRow("a file name beside a command")
            << QStringList{"--export", "a.csv", "b.csv"}
            << "Only options and their values go with --export.";
    }
    void wrongOptionsEndWithTheUsage() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const CProgramRun run = Run(arguments);
        QCOMPARE(run.nExit, 2);
        QVERIFY2(run.strError.startsWith(message + QStringLiteral("\n\nUsage: corvane ")),
                 qPrintable(run.strError));
        QCOMPARE(run.strOut, QString());
        QCOMPARE(Files(), QStringList());
    }

    // The windows come up (the main window creates the address book in its
    // folder) and the program ends once they are idle.
    void theWindowsStart_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("platformInEnvironment");
        QTest::newRow("no arguments") << QStringList() << true;
        QTest::newRow("a file name, not opened") << QStringList{"letter.txt"} << true;
        QTest::newRow("Qt's platform") << QStringList{"-platform", "offscreen"} << false;
        QTest::newRow("Qt's options in their other forms")
            << QStringList{"--platform", "offscreen", "-reverse", "-style=Fusion"} << false;
        QTest::newRow("options ended")
            << QStringList{"-platform", "offscreen", "--", "--sned"} << false;
    }
    void theWindowsStart() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, platformInEnvironment);
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("CORVANE_EXIT_WHEN_IDLE"), QStringLiteral("1"));
        if (platformInEnvironment)
            extra.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const CProgramRun run = Run(arguments, extra);
        QCOMPARE(run.nExit, 0);
        QVERIFY2(!run.strError.contains(QStringLiteral("Usage")), qPrintable(run.strError));
        QCOMPARE(Files(), QStringList{"Addresses.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestAppCommandLine)
#include "tst_app_commandline.moc"
