#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CDaoIndexInfo.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/CDaoTableDef.h"
#include "tests/support/CommitWatch.h"
#include "tests/support/DaoError.h"
#include "tests/support/PeopleTable.h"
#include "tests/support/RawSqlite.h"
#include "tests/support/TestFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

namespace {

void AddPerson(CDaoDatabase& database, const QString& strName) {
    CDaoRecordset recordset(&database);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
    recordset.AddNew();
    recordset.SetFieldValue(QStringLiteral("Name"), strName);
    recordset.Update();
}

// The database file and its journal as a crash just before the commit of a
// new file's first table leaves them.
std::pair<QByteArray, QByteArray> CreationCutShort(const QString& strPath) {
    CommitWatch watch;
    {
        CDaoDatabase database;
        database.Create(strPath, dbLangGeneral, CDaoDatabase::s_nCreateWithFirstTable);
        CreatePeopleTable(database);
    }
    return {watch.m_databaseBeforeFirstEnd, watch.m_journalBeforeFirstEnd};
}

using DefineTable = std::function<void(CDaoTableDef&)>;

} // namespace

Q_DECLARE_METATYPE(DefineTable)

class TestDaoDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
    }

    void openRefusesWhatIsNoDatabase_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text") << QByteArray("Name;EMail\nJane;jane@example.com\n")
                              << QStringLiteral("is not a database");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("is not a database");
        QTest::newRow("damaged") << QByteArray("SQLite format 3\0", 16) + QByteArray(4000, 'x')
                                 << QStringLiteral("not a database");
    }
    void openRefusesWhatIsNoDatabase() {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        const QString strPath = m_pDir->filePath(QStringLiteral("Addresses.mdb"));
        QVERIFY(WriteFile(strPath, content));
        CDaoDatabase database;
        QVERIFY(DaoError([&] { database.Open(strPath); }).contains(expected));
        QVERIFY(!database.IsOpen());
        QCOMPARE(ReadAll(strPath), content);
        QVERIFY(!QFile::exists(strPath + QStringLiteral("-journal")));
    }

    void openRefusesMissingFilesAndFolders() {
        CDaoDatabase database;
        const QString strMissing = m_pDir->filePath(QStringLiteral("missing.mdb"));
        QCOMPARE(DaoError([&] { database.Open(strMissing); }),
                 QStringLiteral("The file \"%1\" does not exist.").arg(strMissing));
        QVERIFY(!QFile::exists(strMissing));
        QVERIFY(DaoError([&] { database.Open(m_pDir->path()); }).contains(u"it is a folder"));
    }

    void createRefusesAnExistingFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("not a database\n");
        QTest::newRow("empty") << QByteArray();
    }
    void createRefusesAnExistingFile() {
        QFETCH(QByteArray, content);
        const QString strPath = m_pDir->filePath(QStringLiteral("Addresses.mdb"));
        QVERIFY(WriteFile(strPath, content));
        CDaoDatabase database;
        QCOMPARE(DaoError([&] { database.Create(strPath); }),
                 QStringLiteral("The file \"%1\" exists already.").arg(strPath));
        QCOMPARE(ReadAll(strPath), content);
    }

    void createRefusesAnExistingDatabase() {
        const QString strPath = m_pDir->filePath(QStringLiteral("Addresses.mdb"));
        {
            CDaoDatabase database;
            database.Create(strPath);
            CreatePeopleTable(database);
            AddPerson(database, QStringLiteral("Jane"));
        }
        const QByteArray before = ReadAll(strPath);
        CDaoDatabase database;
        QVERIFY(DaoError([&] { database.Create(strPath); }).contains(u"exists already"));
        QCOMPARE(ReadAll(strPath), before);
    }

    void createRefusesAFolderItCannotWrite() {
        const QString strPath = m_pDir->filePath(QStringLiteral("nowhere/Addresses.mdb"));
        CDaoDatabase database;
        QVERIFY(DaoError([&] { database.Create(strPath); }).contains(u"cannot be created"));
        QVERIFY(!database.IsOpen());
    }

    void createMakesADatabaseAtOnce() {
        const QString strPath = m_pDir->filePath(QStringLiteral("new.mdb"));
        CDaoDatabase created;
        created.Create(strPath);
        QVERIFY(created.IsOpen());
        QCOMPARE(created.GetName(), strPath);
        QVERIFY(ReadAll(strPath).startsWith(QByteArray("SQLite format 3\0", 16)));
        CDaoDatabase opened;
        opened.Open(strPath);
        QVERIFY(opened.IsOpen());
    }

    void createWritesTheHeaderAtOnceOrWithTheFirstTable_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("emptyUntilTable");
        QTest::addColumn<int>("writeTransactions");
        QTest::newRow("at once") << 0 << false << 2;
        QTest::newRow("with the first table")
            << int(CDaoDatabase::s_nCreateWithFirstTable) << true << 1;
    }
    void createWritesTheHeaderAtOnceOrWithTheFirstTable() {
        QFETCH(int, options);
        QFETCH(bool, emptyUntilTable);
        QFETCH(int, writeTransactions);
        const QString strPath = m_pDir->filePath(QStringLiteral("people.mdb"));
        CommitWatch watch;
        {
            CDaoDatabase database;
            database.Create(strPath, dbLangGeneral, options);
            QCOMPARE(ReadAll(strPath).isEmpty(), emptyUntilTable);
            CreatePeopleTable(database);
        }
        QCOMPARE(watch.WriteTransactions(), writeTransactions);
        QVERIFY(ReadAll(strPath).startsWith(QByteArray("SQLite format 3\0", 16)));
        RawSqlite raw(strPath);
        QVERIFY(raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'PEOPLE'"))
                    .startsWith(QStringLiteral("CREATE TABLE PEOPLE (ID INTEGER CONSTRAINT "
                                               "PrimaryKey PRIMARY KEY AUTOINCREMENT")));
        QCOMPARE(raw.Column(QStringLiteral("SELECT name FROM pragma_table_info('PEOPLE')")),
                 QStringList({"ID", "Born", "Name", "Notes"}));
        CDaoDatabase opened;
        opened.Open(strPath);
        QVERIFY(opened.IsOpen());
    }

    void aCreationNeverFinishedLeavesNoFile_data() {
        QTest::addColumn<DefineTable>("define");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no table") << DefineTable([](CDaoTableDef&) {}) << QString();
        QTest::newRow("table refused")
            << DefineTable([](CDaoTableDef& t) {
                   t.CreateField("A", dbLong, 4, dbAutoIncrField);
                   t.Append();
               })
            << QStringLiteral("Field 'A' is numbered by the database, so it must be the table's "
                              "one-field primary key.");
    }
    void aCreationNeverFinishedLeavesNoFile() {
        QFETCH(DefineTable, define);
        QFETCH(QString, expected);
        const QString strPath = m_pDir->filePath(QStringLiteral("unfinished.mdb"));
        CDaoDatabase database;
        database.Create(strPath, dbLangGeneral, CDaoDatabase::s_nCreateWithFirstTable);
        CDaoTableDef tableDef(&database);
        tableDef.Create(QStringLiteral("T"));
        QCOMPARE(DaoError([&] { define(tableDef); }), expected);
        QVERIFY(QFile::exists(strPath));
        database.Close();
        QVERIFY(!QFile::exists(strPath));
        // So the creation can be tried again, and a file that got its table stays.
        database.Create(strPath, dbLangGeneral, CDaoDatabase::s_nCreateWithFirstTable);
        CreatePeopleTable(database);
        database.Close();
        RawSqlite raw(strPath);
        QCOMPARE(raw.Value(QStringLiteral("SELECT count(*) FROM PEOPLE")), QStringLiteral("0"));
    }

    void openRefusesACreationCutShort_data() {
        QTest::addColumn<bool>("fileWritten");
        QTest::addColumn<QString>("expected");
        QTest::newRow("before the first page")
            << false << QStringLiteral("is not a database (it is not an SQLite 3 file)");
        QTest::newRow("before the commit")
            << true << QStringLiteral("is not a database (its creation did not finish)");
    }
    void openRefusesACreationCutShort() {
        QFETCH(bool, fileWritten);
        QFETCH(QString, expected);
        const auto [database, journal] =
            CreationCutShort(m_pDir->filePath(QStringLiteral("image.mdb")));
        QVERIFY(database.startsWith(QByteArray("SQLite format 3\0", 16)));
        QVERIFY(!journal.isEmpty());
        const QString strPath = m_pDir->filePath(QStringLiteral("cut.mdb"));
        QVERIFY(WriteFile(strPath, fileWritten ? database : QByteArray()));
        QVERIFY(WriteFile(strPath + QStringLiteral("-journal"), journal));
        CDaoDatabase opened;
        QVERIFY2(DaoError([&] { opened.Open(strPath); }).contains(expected), qPrintable(expected));
        QVERIFY(!opened.IsOpen());
        // The engine took the uncommitted table back; what stays is refused each time.
        QCOMPARE(ReadAll(strPath), QByteArray());
        QVERIFY(DaoError([&] { opened.Open(strPath); }).contains(u"is not a database"));
        QVERIFY(DaoError([&] { opened.Create(strPath); }).contains(u"exists already"));
        QCOMPARE(ReadAll(strPath), QByteArray());
    }

    void appendWritesTheTableWithItsPrimaryKey() {
        const QString strPath = m_pDir->filePath(QStringLiteral("people.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CreatePeopleTable(database);
        RawSqlite raw(strPath);
        const QString strSql =
            raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'PEOPLE'"));
        QVERIFY2(strSql.startsWith(
                     QStringLiteral("CREATE TABLE PEOPLE (ID INTEGER CONSTRAINT "
                                    "PrimaryKey PRIMARY KEY AUTOINCREMENT, Born DATETIME")),
                 qPrintable(strSql));
        QVERIFY(strSql.contains(u"Name VARCHAR(10) COLLATE NOCASE"));
        QVERIFY(strSql.contains(u"Notes TEXT COLLATE NOCASE"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT name FROM pragma_table_info('PEOPLE')")),
                 QStringList({"ID", "Born", "Name", "Notes"}));
    }

    void appendRefusesBadDefinitions_data() {
        QTest::addColumn<DefineTable>("define");
        QTest::addColumn<QString>("expected");
        using Define = DefineTable;
        QTest::newRow("text of 0")
            << Define([](CDaoTableDef& t) { t.CreateField("A", dbText, 0); })
            << QStringLiteral(
                   "Field 'A' is a text field of 0 characters; text fields hold 1 to 255.");
        QTest::newRow("text of 256")
            << Define([](CDaoTableDef& t) { t.CreateField("A", dbText, 256); })
            << QStringLiteral(
                   "Field 'A' is a text field of 256 characters; text fields hold 1 to 255.");
        QTest::newRow("unknown type")
            << Define([](CDaoTableDef& t) { t.CreateField("A", 7, 8); })
            << QStringLiteral("Field 'A' has type 7, which this database does not support.");
        QTest::newRow("twice") << Define([](CDaoTableDef& t) {
            t.CreateField("A", dbMemo, 0);
            t.CreateField("a", dbMemo, 0);
        }) << QStringLiteral("Field 'a' is defined twice.");
        QTest::newRow("numbered text")
            << Define([](CDaoTableDef& t) { t.CreateField("A", dbText, 5, dbAutoIncrField); })
            << QStringLiteral("Field 'A' is numbered by the database, so it must be a Long field.");
        QTest::newRow("numbered, no key")
            << Define([](CDaoTableDef& t) {
                   t.CreateField("A", dbLong, 4, dbAutoIncrField);
                   t.Append();
               })
            << QStringLiteral("Field 'A' is numbered by the database, so it must be the table's "
                              "one-field primary key.");
        QTest::newRow("index on nothing") << Define([](CDaoTableDef& t) {
            t.CreateField("A", dbMemo, 0);
            CDaoIndexInfo index;
            index.m_strName = "ByB";
            index.m_fieldInfos = {CDaoIndexFieldInfo{"B", false}};
            t.CreateIndex(index);
            t.Append();
        }) << QStringLiteral("Index 'ByB' names field 'B', which the table does not have.");
        QTest::newRow("no fields") << Define([](CDaoTableDef& t) { t.Append(); })
                                   << QStringLiteral("The table 'T' has no fields.");
    }
    void appendRefusesBadDefinitions() {
        QFETCH(DefineTable, define);
        QFETCH(QString, expected);
        const QString strPath = m_pDir->filePath(QStringLiteral("bad.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CDaoTableDef tableDef(&database);
        tableDef.Create(QStringLiteral("T"));
        QCOMPARE(DaoError([&] { define(tableDef); }), expected);
        RawSqlite raw(strPath);
        QCOMPARE(raw.Value(QStringLiteral("SELECT count(*) FROM sqlite_master")),
                 QStringLiteral("0"));
    }

    void appendAddsOtherIndexes() {
        const QString strPath = m_pDir->filePath(QStringLiteral("indexed.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CDaoTableDef tableDef(&database);
        tableDef.Create(QStringLiteral("T"));
        tableDef.CreateField(QStringLiteral("Code"), dbText, 8);
        CDaoIndexInfo index;
        index.m_strName = QStringLiteral("ByCode");
        index.m_fieldInfos = {CDaoIndexFieldInfo{QStringLiteral("Code"), true}};
        index.m_bUnique = true;
        tableDef.CreateIndex(index);
        tableDef.Append();
        RawSqlite raw(strPath);
        QCOMPARE(raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'ByCode'")),
                 QStringLiteral("CREATE UNIQUE INDEX ByCode ON T (Code DESC)"));
        QCOMPARE(raw.Exec(QStringLiteral("INSERT INTO T VALUES ('a'); INSERT INTO T VALUES ('A')")),
                 SQLITE_CONSTRAINT);
    }

    void keysStartAtOneAndAreNeverReused() {
        const QString strPath = m_pDir->filePath(QStringLiteral("keys.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CreatePeopleTable(database);
        AddPerson(database, QStringLiteral("Ann"));
        AddPerson(database, QStringLiteral("Bob"));
        {
            CDaoRecordset recordset(&database);
            recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
            recordset.MoveLast();
            QCOMPARE(recordset.GetFieldValue(QStringLiteral("ID")).toInt(), 2);
            recordset.Delete();
        }
        AddPerson(database, QStringLiteral("Cid"));
        RawSqlite raw(strPath);
        QCOMPARE(raw.Column(QStringLiteral("SELECT ID || Name FROM PEOPLE ORDER BY ID")),
                 QStringList({"1Ann", "3Cid"}));
    }

    void otherProgramsShareTheFile() {
        const QString strPath = m_pDir->filePath(QStringLiteral("shared.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CreatePeopleTable(database);
        AddPerson(database, QStringLiteral("Ours"));
        RawSqlite other(strPath);
        QCOMPARE(other.Value(QStringLiteral("SELECT Name FROM PEOPLE")), QStringLiteral("Ours"));
        QCOMPARE(other.Exec(QStringLiteral("INSERT INTO PEOPLE (Name) VALUES ('Theirs')")),
                 SQLITE_OK);
        CDaoRecordset recordset(&database);
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QVERIFY(recordset.FindFirst(QStringLiteral("Name = 'theirs'")));
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("ID")).toInt(), 2);
    }

    void aLockedFileIsWaitedForThenReported() {
        const QString strPath = m_pDir->filePath(QStringLiteral("locked.mdb"));
        CDaoDatabase database;
        database.Create(strPath);
        CreatePeopleTable(database);
        RawSqlite other(strPath);
        QCOMPARE(other.Exec(QStringLiteral("BEGIN EXCLUSIVE")), SQLITE_OK);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(DaoError([&] { AddPerson(database, QStringLiteral("Late")); }),
                 QStringLiteral("The database file \"%1\" is locked by another program; try again "
                                "when it is free.")
                     .arg(strPath));
        QVERIFY(timer.elapsed() >= CDaoDatabase::s_nBusyTimeoutMs - 100);
        // A lock that ends within the wait is simply waited for.
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.Exec(QStringLiteral("COMMIT"));
        });
        AddPerson(database, QStringLiteral("Patient"));
        release.join();
        QCOMPARE(other.Value(QStringLiteral("SELECT Name FROM PEOPLE")), QStringLiteral("Patient"));
    }

    void theFileHoldsOtherProgramsToTheRules_data() {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("long name") << QStringLiteral("NULL, 'Maximilianus', NULL")
                                   << QStringLiteral("Field 'Name' holds at most 10 characters.");
        QTest::newRow("empty name")
            << QStringLiteral("NULL, '', NULL") << QStringLiteral("Field 'Name' cannot be empty.");
        QTest::newRow("empty notes")
            << QStringLiteral("NULL, NULL, ''") << QStringLiteral("Field 'Notes' cannot be empty.");
        QTest::newRow("short date")
            << QStringLiteral("'12/07/26', NULL, NULL")
            << QStringLiteral("Field 'Born' holds dates as YYYY-MM-DD HH:MM:SS.");
        QTest::newRow("day only") << QStringLiteral("'2026-12-07', NULL, NULL")
                                  << QStringLiteral(
                                         "Field 'Born' holds dates as YYYY-MM-DD HH:MM:SS.");
        QTest::newRow("sound") << QStringLiteral("'2026-12-07 10:00:00', 'Jane', 'x'") << QString();
    }
    void theFileHoldsOtherProgramsToTheRules() {
        QFETCH(QString, values);
        QFETCH(QString, expected);
        const QString strPath = m_pDir->filePath(QStringLiteral("rules.mdb"));
        {
            CDaoDatabase database;
            database.Create(strPath);
            CreatePeopleTable(database);
        }
        RawSqlite other(strPath);
        const int nResult = other.Exec(
            QStringLiteral("INSERT INTO PEOPLE (Born, Name, Notes) VALUES (%1)").arg(values));
        if (expected.isEmpty()) {
            QCOMPARE(nResult, SQLITE_OK);
            return;
        }
        QCOMPARE(nResult, SQLITE_CONSTRAINT);
        QCOMPARE(other.ErrorMessage(), QStringLiteral("CHECK constraint failed: ") + expected);
    }

    void aClosedDatabaseRaises() {
        CDaoDatabase database;
        CDaoRecordset onClosed(&database);
        QCOMPARE(DaoError([&] {
                     onClosed.Open(AFX_DAO_USE_DEFAULT_TYPE,
                                   QStringLiteral("SELECT * FROM PEOPLE"));
                 }),
                 QStringLiteral("The database is not open."));
        CDaoRecordset onNothing(nullptr);
        QCOMPARE(DaoError([&] {
                     onNothing.Open(AFX_DAO_USE_DEFAULT_TYPE,
                                    QStringLiteral("SELECT * FROM PEOPLE"));
                 }),
                 QStringLiteral("The database is not open."));
        CDaoTableDef tableDef(&database);
        QCOMPARE(DaoError([&] { tableDef.Create(QStringLiteral("T")); }),
                 QStringLiteral("The database is not open."));
        QVERIFY(!tableDef.IsOpen());
    }

    void whatNamesTheException() {
        const CDaoException e(QStringLiteral("Field 'Name' holds at most 150 characters. é"));
        const CDaoException copy = e;
        QCOMPARE(QString::fromUtf8(copy.what()), e.m_pErrorInfo->m_strDescription);
    }

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
};

QTEST_GUILESS_MAIN(TestDaoDatabase)
#include "tst_daodatabase.moc"
