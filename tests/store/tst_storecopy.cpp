// Moving the address book in and out of a team's server with the program's
// command line, as the README's team section tells a user to.

#include "store/CAddressDatabase.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/RawSqlite.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int nExit = -1;
    QString strOut;
    QString strError;
};

// Every field of every record, as the file stores them.
constexpr char kFileRecords[] =
    "SELECT ID_Address || '|' || Date || '|' || EMail || '|' || Prefix || '|' || Name || '|' || "
    "Template || '|' || MY_1 || '|' || MY_2 || '|' || MY_3 || '|' || MY_4 || '|' || MY_5 "
    "FROM ADDRESSES ORDER BY ID_Address";
// The same on the server.
constexpr char kServerRecords[] =
    "SELECT \"ID_Address\" || '|' || \"Date\" || '|' || \"EMail\" || '|' || \"Prefix\" || '|' || "
    "\"Name\" || '|' || \"Template\" || '|' || \"MY_1\" || '|' || \"MY_2\" || '|' || \"MY_3\" || "
    "'|' || \"MY_4\" || '|' || \"MY_5\" FROM \"ADDRESSES\" ORDER BY \"ID_Address\"";

QStringList Record(const QString& strDate, const QString& strEMail, const QString& strName,
                   const QString& strNote) {
    return {QStringLiteral("0"),
            strDate,
            strEMail,
            QStringLiteral("Mr."),
            strName,
            QStringLiteral("Offer.txt"),
            strNote,
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral("last")};
}

} // namespace

class TestStoreCopy : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_pServer = std::make_unique<CPgTestServer>();
        QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
    }
    void init() {
        QCOMPARE(m_pServer->Clear(), QString());
        m_pFrom = std::make_unique<QTemporaryDir>();
        m_pTo = std::make_unique<QTemporaryDir>();
    }

    // There and back: every field, key and date as it was; numbering goes on
    // after the highest key on both sides.
    void aRoundTripKeepsEveryRecord() {
        WriteAddressBook(1200);
        const QStringList original = RawSqlite(FilePath(*m_pFrom)).Column(kFileRecords);
        QCOMPARE(original.size(), 1200 - 1);

        const Outcome to = Run(*m_pFrom, {QStringLiteral("--copy-to"), m_pServer->Url()});
        QCOMPARE(to.strError, QString());
        QCOMPARE(to.nExit, 0);
        QVERIFY2(to.strOut.startsWith(u"Copied 1199 addresses from "), qPrintable(to.strOut));
        QCOMPARE(m_pServer->Column(kServerRecords), original);

        const Outcome from = Run(*m_pTo, {QStringLiteral("--copy-from"), m_pServer->Url()});
        QCOMPARE(from.strError, QString());
        QCOMPARE(from.nExit, 0);
        QCOMPARE(RawSqlite(FilePath(*m_pTo)).Column(kFileRecords), original);

        QCOMPARE(m_pServer->Value(QStringLiteral(
                     "INSERT INTO \"ADDRESSES\" (\"EMail\") VALUES ('next@example.com') "
                     "RETURNING \"ID_Address\"")),
                 QStringLiteral("1201"));
        RawSqlite copy(FilePath(*m_pTo));
        QCOMPARE(copy.Exec(QStringLiteral("INSERT INTO ADDRESSES (EMail) VALUES ('n@e.com')")), 0);
        QCOMPARE(copy.Value(QStringLiteral("SELECT max(ID_Address) FROM ADDRESSES")),
                 QStringLiteral("1201"));
    }

    // Nothing is copied over records, or over a file; nothing is left of a
    // copy that could not be made.
    void aCopyOverRecordsIsRefused() {
        WriteAddressBook(3);
        QCOMPARE(Run(*m_pFrom, {QStringLiteral("--copy-to"), m_pServer->Url()}).nExit, 0);
        const Outcome again = Run(*m_pFrom, {QStringLiteral("--copy-to"), m_pServer->Url()});
        QCOMPARE(again.nExit, 1);
        QVERIFY2(again.strError.startsWith(u"The table ADDRESSES of corvane@"),
                 qPrintable(again.strError));
        QVERIFY(again.strError.contains(u"holds 2 records already"));
        QCOMPARE(m_pServer->Value(QStringLiteral("SELECT count(*) FROM \"ADDRESSES\"")),
                 QStringLiteral("2"));

        const Outcome over = Run(*m_pFrom, {QStringLiteral("--copy-from"), m_pServer->Url()});
        QCOMPARE(over.nExit, 1);
        QCOMPARE(over.strError,
                 QStringLiteral("This folder has an Addresses.mdb already; copy into a folder "
                                "without one.\n"));
    }

    void aServerThatCannotBeReachedCopiesNothing() {
        WriteAddressBook(3);
        const QString strUrl = QStringLiteral("postgresql://corvane@127.0.0.1:1/corvane");
        const Outcome to = Run(*m_pFrom, {QStringLiteral("--copy-to"), strUrl});
        QCOMPARE(to.nExit, 1);
        QVERIFY2(to.strError.startsWith(
                     u"Could not connect to the database corvane@127.0.0.1:1/corvane: "),
                 qPrintable(to.strError));
        const Outcome from = Run(*m_pTo, {QStringLiteral("--copy-from"), strUrl});
        QCOMPARE(from.nExit, 1);
        QVERIFY(QDir(m_pTo->path()).isEmpty());
    }

    void wrongOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("strMessage");
        QTest::newRow("no Url") << QStringList{"--copy-to"} << u"--copy-to needs a value."_s;
        QTest::newRow("both") << QStringList{"--copy-to", "postgresql://a@b/c", "--copy-from",
                                             "postgresql://a@b/c"}
                              << u"Give either --copy-to URL or --copy-from URL."_s;
        QTest::newRow("with an import")
            << QStringList{"--copy-from", "postgresql://a@b/c", "--import", "a.csv"}
            << u"--copy-from and --import cannot be used together."_s;
    }
    void wrongOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, strMessage);
        const Outcome outcome = Run(*m_pTo, arguments);
        QCOMPARE(outcome.nExit, 2);
        QVERIFY2(outcome.strError.startsWith(strMessage), qPrintable(outcome.strError));
        QVERIFY(QDir(m_pTo->path()).isEmpty());
    }

private:
    static QString FilePath(const QTemporaryDir& dir) {
        return dir.filePath(QStringLiteral("Addresses.mdb"));
    }

    // nRecords made through the store, the first deleted again, so that the
    // keys do not start at 1; texts with quotes, line breaks and accents.
    void WriteAddressBook(int nRecords) {
        QVERIFY(QDir::setCurrent(m_pFrom->path()));
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        for (int nRecord = 1; nRecord <= nRecords; ++nRecord)
            QVERIFY(store.SaveRecord(
                Record(nRecord % 2 ? QStringLiteral("12/07/26") : QStringLiteral("1931-02-03"),
                       QStringLiteral("person%1@example.com").arg(nRecord),
                       QStringLiteral("O'Brien Ærø %1").arg(nRecord),
                       QStringLiteral("line one\nline \"two\"")),
                true));
        RawSqlite(FilePath(*m_pFrom))
            .Exec(QStringLiteral("DELETE FROM ADDRESSES WHERE ID_Address = 1"));
        QDir::setCurrent(QDir::tempPath());
    }

    Outcome Run(const QTemporaryDir& dir, const QStringList& arguments) {
        QProcess program;
        program.setWorkingDirectory(dir.path());
        // No desktop: no display, no session bus, no keyring to ask.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* pName : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(pName));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(CORVANE_EXECUTABLE), arguments);
        if (!program.waitForFinished(120000))
            return {};
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2,
                QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    std::unique_ptr<CPgTestServer> m_pServer;
    std::unique_ptr<QTemporaryDir> m_pFrom;
    std::unique_ptr<QTemporaryDir> m_pTo;
};

QTEST_MAIN(TestStoreCopy)
#include "tst_storecopy.moc"
