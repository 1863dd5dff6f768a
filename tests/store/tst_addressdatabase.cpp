#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/DaoConstants.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "tests/support/CommitWatch.h"
#include "tests/support/DaoError.h"
#include "tests/support/RawSqlite.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// An address record as the record dialog hands it over.
QStringList Values(const QString& strEMail, const QString& strName = QStringLiteral("Jane Doe"),
                   const QString& strDate = QStringLiteral("12/07/26"),
                   const QString& strKey = QStringLiteral("0")) {
    return {strKey,
            strDate,
            strEMail,
            QStringLiteral("Ms"),
            strName,
            QStringLiteral("Offer.txt"),
            QStringLiteral("one"),
            QStringLiteral("two"),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral("five")};
}

QString RunSqlite3(const QString& strSql) {
    QProcess sqlite3;
    sqlite3.start(QStringLiteral("sqlite3"), {QStringLiteral("Addresses.mdb"), strSql});
    if (!sqlite3.waitForFinished(10000) || sqlite3.exitCode() != 0)
        return QStringLiteral("<failed: %1>")
            .arg(QString::fromUtf8(sqlite3.readAllStandardError()));
    return QString::fromUtf8(sqlite3.readAllStandardOutput()).trimmed();
}

} // namespace

class TestAddressDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        QVERIFY(QDir::setCurrent(m_pDir->path()));
        m_calls.clear();
        m_answers.clear();
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            m_calls.append(call);
            return m_answers.isEmpty() ? IDOK : m_answers.takeFirst();
        });
    }
    void cleanup() {
        SetMessageBoxHandler(nullptr);
        QDir::setCurrent(QDir::tempPath());
        m_pDir.reset();
    }

    void theSchemaDescribesTheTable() {
        const CAddressDatabase store;
        const CTableSchema& schema = store.m_schema;
        QCOMPARE(schema.m_strFile, QStringLiteral("Addresses.mdb"));
        QCOMPARE(schema.m_strTable, QStringLiteral("ADDRESSES"));
        QCOMPARE(schema.m_nFields, 11);
        QCOMPARE(schema.m_arrName,
                 QStringList({"ID_Address", "Date", "EMail", "Prefix", "Name", "Template", "MY_1",
                              "MY_2", "MY_3", "MY_4", "MY_5"}));
        QCOMPARE(schema.m_arrType, QList<int>({4, 8, 10, 10, 10, 10, 12, 12, 12, 12, 12}));
        QCOMPARE(schema.m_arrSize, QList<int>({4, 60, 200, 50, 150, 100, 0, 0, 0, 0, 0}));
        QCOMPARE(schema.m_arrFormat, QList<int>({0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(schema.m_arrAttributes, QList<int>({16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(schema.m_nKeyField, 0);
        QCOMPARE(schema.m_nLabelField, 2);
        QCOMPARE(schema.m_nSortField1, 0);
        QCOMPARE(schema.m_nSortField2, 1);
        QVERIFY(store.m_pCDaoDatabase);
        QVERIFY(store.m_pCDaoTableDef);
        QVERIFY(!QFile::exists(QStringLiteral("Addresses.mdb")));
    }

    void theFirstStartCreatesTheFileSilently() {
        {
            CAddressDatabase store;
            QVERIFY(store.OpenOrCreate());
            QVERIFY(store.OpenOrCreate());
        }
        QVERIFY(m_calls.isEmpty());
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        const QString strSql =
            raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'ADDRESSES'"));
        QVERIFY2(
            strSql.startsWith(QStringLiteral("CREATE TABLE ADDRESSES (ID_Address INTEGER "
                                             "CONSTRAINT PrimaryKey PRIMARY KEY AUTOINCREMENT, "
                                             "Date DATETIME")),
            qPrintable(strSql));
        QCOMPARE(raw.Column(QStringLiteral(
                     "SELECT name || ' ' || type FROM pragma_table_info('ADDRESSES')")),
                 QStringList({"ID_Address INTEGER", "Date DATETIME", "EMail VARCHAR(200)",
                              "Prefix VARCHAR(50)", "Name VARCHAR(150)", "Template VARCHAR(100)",
                              "MY_1 TEXT", "MY_2 TEXT", "MY_3 TEXT", "MY_4 TEXT", "MY_5 TEXT"}));
    }

    void theSecondStartOpensTheFile() {
        {
            CAddressDatabase store;
            QVERIFY(store.OpenOrCreate());
            QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        }
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 1);
        QVERIFY(m_calls.isEmpty());
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                           "ORDER BY name")),
                 QStringList({"ADDRESSES", "sqlite_sequence"}));
    }

    void anUnusableFileIsLeftAloneAndReportedOnce_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << QByteArray("ID;Date;EMail\r\n1;12/07/26;jane@example.com\r\n")
                              << QStringLiteral("is not a database");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("is not a database");
        QTest::newRow("damaged") << QByteArray("SQLite format 3\0", 16) + QByteArray(8192, '\x7f')
                                 << QStringLiteral("not a database");
    }
    void anUnusableFileIsLeftAloneAndReportedOnce() {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString strPath = QDir::current().filePath(QStringLiteral("Addresses.mdb"));
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        CAddressDatabase store;
        QVERIFY(!store.OpenOrCreate());
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].kind, MessageBoxCall::Application);
        QCOMPARE(m_calls[0].nType, unsigned(MB_OK));
        QVERIFY2(m_calls[0].strText.startsWith(
                     QStringLiteral("The address file \"%1\" could not be opened").arg(strPath)),
                 qPrintable(m_calls[0].strText));
        QVERIFY(m_calls[0].strText.contains(reason));
        // Later work meets a closed store: a clear error, no crash, no write.
        const QString strClosed = QStringLiteral("The database is not open.");
        QCOMPARE(DaoError([&] { store.CountRecords(store.m_schema.m_strTable); }), strClosed);
        QCOMPARE(DaoError([&] { store.FindByEMail(QStringLiteral("jane@example.com")); }),
                 strClosed);
        QCOMPARE(DaoError([&] { store.SaveRecord(Values(QStringLiteral("a@b.c")), true); }),
                 strClosed);
        QVERIFY(!store.OpenOrCreate());
        QCOMPARE(m_calls.size(), 2);
        QCOMPARE(ReadAll(strPath), content);
        QCOMPARE(QDir::current().entryList(QDir::Files), QStringList({"Addresses.mdb"}));
    }

    void aStartWritesOneTransactionAtMost_data() {
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<int>("writeTransactions");
        QTest::newRow("first start") << false << 1;
        QTest::newRow("later start") << true << 0;
    }
    void aStartWritesOneTransactionAtMost() {
        QFETCH(bool, fileThere);
        QFETCH(int, writeTransactions);
        if (fileThere) {
            CAddressDatabase store;
            QVERIFY(store.OpenOrCreate());
        }
        CommitWatch watch;
        {
            CAddressDatabase store;
            QVERIFY(store.OpenOrCreate());
            QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
        }
        QCOMPARE(watch.WriteTransactions(), writeTransactions);
        QVERIFY(m_calls.isEmpty());
    }

    void aCreationCutShortIsReportedNotRedone_data() {
        QTest::addColumn<bool>("fileWritten");
        QTest::addColumn<QString>("reason");
        QTest::newRow("before the first page")
            << false << QStringLiteral("is not a database (it is not an SQLite 3 file)");
        QTest::newRow("before the commit")
            << true << QStringLiteral("is not a database (its creation did not finish)");
    }
    void aCreationCutShortIsReportedNotRedone() {
        QFETCH(bool, fileWritten);
        QFETCH(QString, reason);
        QByteArray database;
        QByteArray journal;
        {
            CommitWatch watch;
            CAddressDatabase store;
            QVERIFY(store.OpenOrCreate());
            database = watch.m_databaseBeforeFirstEnd;
            journal = watch.m_journalBeforeFirstEnd;
        }
        const QString strPath = QDir::current().filePath(QStringLiteral("Addresses.mdb"));
        QVERIFY(WriteFile(strPath, fileWritten ? database : QByteArray()));
        QVERIFY(WriteFile(strPath + QStringLiteral("-journal"), journal));
        for (const QString& strReason : {reason, QStringLiteral("is not a database")}) {
            CAddressDatabase store;
            QVERIFY(!store.OpenOrCreate());
            QVERIFY2(m_calls.last().strText.startsWith(
                         QStringLiteral("The address file \"%1\" could not be opened and was "
                                        "left untouched")
                             .arg(strPath)),
                     qPrintable(m_calls.last().strText));
            QVERIFY2(m_calls.last().strText.contains(strReason), qPrintable(strReason));
            QCOMPARE(ReadAll(strPath), QByteArray());
        }
        QCOMPARE(m_calls.size(), 2);
    }

    void aFailedCreationLeavesNoFile_data() {
        QTest::addColumn<int>("sizeOfEMail");
        QTest::addColumn<int>("keyField");
        QTest::addColumn<QString>("expected");
        QTest::newRow("field refused")
            << 0 << 0
            << QStringLiteral(
                   "Field 'EMail' is a text field of 0 characters; text fields hold 1 to 255.");
        QTest::newRow("table refused")
            << 200 << 1
            << QStringLiteral("Field 'ID_Address' is numbered by the database, so it must be the "
                              "table's one-field primary key.");
    }
    void aFailedCreationLeavesNoFile() {
        QFETCH(int, sizeOfEMail);
        QFETCH(int, keyField);
        QFETCH(QString, expected);
        CAddressDatabase store;
        CTableSchema schema = store.m_schema;
        schema.m_arrSize[2] = sizeOfEMail;
        schema.m_nKeyField = keyField;
        QVERIFY(!store.CreateDatabase(schema));
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].strText, expected);
        QVERIFY(!store.m_pCDaoDatabase->IsOpen());
        QCOMPARE(QDir::current().entryList(QDir::Files), QStringList());
        // Nothing stands in the way of the next try.
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
        QCOMPARE(m_calls.size(), 1);
    }

    void countRecordsCountsWithoutMessages() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
        for (const char* pEMail : {"a@example.com", "b@example.com", "c@example.com"})
            QVERIFY(store.SaveRecord(Values(QString::fromLatin1(pEMail)), true));
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 3);
        QVERIFY(m_calls.isEmpty());
        QCOMPARE(DaoError([&] { store.CountRecords(QStringLiteral("MISSING")); }),
                 QStringLiteral("no such table: MISSING"));
    }

    void saveRecordAddsNumberedRecords() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com"), QStringLiteral("Jane"),
                                        QStringLiteral("12/07/26"), QStringLiteral("77")),
                                 true));
        QVERIFY(store.SaveRecord(Values(QStringLiteral("joe@example.com"), QStringLiteral("Joe"),
                                        QStringLiteral("01/31/47")),
                                 true));
        QStringList longMemo = Values(QStringLiteral("long@example.com"));
        longMemo[6] = QString(200000, u'm');
        QVERIFY(store.SaveRecord(longMemo, true));
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(
            raw.Column(QStringLiteral("SELECT ID_Address || '|' || Date || '|' || EMail || '|' "
                                      "|| Prefix || '|' || Name || '|' || Template || '|' || "
                                      "MY_1 || '|' || MY_2 || '|' || MY_3 || '|' || MY_4 || "
                                      "'|' || MY_5 FROM ADDRESSES WHERE ID_Address < 3")),
            QStringList(
                {"1|2026-12-07 00:00:00|jane@example.com|Ms|Jane|Offer.txt|one|two| | |five",
                 "2|1947-01-31 00:00:00|joe@example.com|Ms|Joe|Offer.txt|one|two| | |five"}));
        QCOMPARE(
            raw.Value(QStringLiteral("SELECT length(MY_1) FROM ADDRESSES WHERE ID_Address = 3")),
            QStringLiteral("200000"));
        QVERIFY(m_calls.isEmpty());
    }

    void aFailedAddLeavesNoRecord_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        QStringList longName = Values(QStringLiteral("jane@example.com"), QString(151, u'n'));
        QTest::newRow("long name") << longName << "Field 'Name' holds at most 150 characters.";
        QStringList longEMail = Values(QString(190, u'e') + QStringLiteral("@example.com"));
        QTest::newRow("long address") << longEMail << "Field 'EMail' holds at most 200 characters.";
        QTest::newRow("empty address") << Values(QString()) << "Field 'EMail' cannot be empty.";
        QStringList emptyMemo = Values(QStringLiteral("jane@example.com"));
        emptyMemo[10] = QString();
        QTest::newRow("empty memo") << emptyMemo << "Field 'MY_5' cannot be empty.";
        QTest::newRow("no date") << Values(QStringLiteral("jane@example.com"),
                                           QStringLiteral("Jane"), QStringLiteral("someday"))
                                 << "Field 'Date' takes a date such as 12/31/26 or 2026-12-31; "
                                    "\"someday\" is not a date.";
        QTest::newRow("too few values") << Values(QStringLiteral("jane@example.com")).mid(0, 5)
                                        << "Field 'Template' cannot be empty.";
    }
    void aFailedAddLeavesNoRecord() {
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(DaoError([&] { store.SaveRecord(values, true); }), expected);
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
        QVERIFY(store.SaveRecord(Values(QStringLiteral("next@example.com")), true));
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT ID_Address FROM ADDRESSES")),
                 QStringList({"1"}));
    }

    void saveRecordUpdatesTheRecordOfTheKey() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        QVERIFY(store.SaveRecord(Values(QStringLiteral("joe@example.com")), true));
        QVERIFY(
            store.SaveRecord(Values(QStringLiteral("JANE@example.org"), QStringLiteral("Jane Roe"),
                                    QStringLiteral("12/07/26"), QStringLiteral(" 1")),
                             false));
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral(
                     "SELECT EMail || ' ' || Name FROM ADDRESSES ORDER BY ID_Address")),
                 QStringList({"JANE@example.org Jane Roe", "joe@example.com Jane Doe"}));
        QVERIFY(m_calls.isEmpty());
    }

    void aFailedUpdateWritesNothing() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        QStringList values = Values(QStringLiteral("new@example.com"), QStringLiteral("New Name"),
                                    QStringLiteral("12/07/26"), QStringLiteral("1"));
        values[5] = QString(101, u't');
        QCOMPARE(DaoError([&] { store.SaveRecord(values, false); }),
                 QStringLiteral("Field 'Template' holds at most 100 characters."));
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Value(QStringLiteral("SELECT EMail || ' ' || Name FROM ADDRESSES")),
                 QStringLiteral("jane@example.com Jane Doe"));
    }

    void updatingAMissingRecordSaysNotFound_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("criteria");
        QTest::newRow("gone") << "99"
                              << "ID_Address = 99";
        QTest::newRow("no number") << "abc"
                                   << "ID_Address = 0";
        QTest::newRow("empty") << ""
                               << "ID_Address = 0";
        QTest::newRow("negative") << "-1"
                                  << "ID_Address = -1";
        QTest::newRow("digits then text") << "7x1"
                                          << "ID_Address = 7";
    }
    void updatingAMissingRecordSaysNotFound() {
        QFETCH(QString, key);
        QFETCH(QString, criteria);
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        QVERIFY(!store.SaveRecord(Values(QStringLiteral("new@example.com"), QStringLiteral("New"),
                                         QStringLiteral("12/07/26"), key),
                                  false));
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].kind, MessageBoxCall::Application);
        QCOMPARE(m_calls[0].strText, QStringLiteral("Not found \"%1\" in Database.").arg(criteria));
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT EMail FROM ADDRESSES")),
                 QStringList({"jane@example.com"}));
    }

    void updatingARecordAnotherProgramDeletedSaysNotFound() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        QCOMPARE(RunSqlite3(QStringLiteral("DELETE FROM ADDRESSES WHERE ID_Address = 1")),
                 QString());
        QVERIFY(!store.SaveRecord(Values(QStringLiteral("jane@example.com"), QStringLiteral("Jane"),
                                         QStringLiteral("12/07/26"), QStringLiteral("1")),
                                  false));
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].strText, QStringLiteral("Not found \"ID_Address = 1\" in Database."));
    }

    void resavingAnOldRecordKeepsItsCentury() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(
            RunSqlite3(QStringLiteral("INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, "
                                      "MY_1, MY_2, MY_3, MY_4, MY_5) VALUES ('1930-01-01 "
                                      "00:00:00', 'old@example.com', ' ', 'Old', ' ', ' ', ' ', "
                                      "' ', ' ', ' ')")),
            QString());
        QVERIFY(
            store.SaveRecord(Values(QStringLiteral("old@example.com"), QStringLiteral("Still old"),
                                    QStringLiteral("01/01/30"), QStringLiteral("1")),
                             false));
        QCOMPARE(RunSqlite3(QStringLiteral("SELECT Date || ' ' || Name FROM ADDRESSES")),
                 QStringLiteral("1930-01-01 00:00:00 Still old"));
    }

    void deleteSelectedAsksAndDeletes_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("remaining");
        const QStringList all{"1 a@example.com", "2 b@example.com", "3 o'brien@example.com",
                              "4 d@example.com"};
        QTest::newRow("one, no") << QList<int>{1} << int(IDNO)
                                 << "Delete a record \"b@example.com\" from Table?" << all;
        QTest::newRow("one, yes") << QList<int>{1} << int(IDYES)
                                  << "Delete a record \"b@example.com\" from Table?"
                                  << QStringList({"1 a@example.com", "3 o'brien@example.com",
                                                  "4 d@example.com"});
        QTest::newRow("several, no")
            << QList<int>{0, 2, 3} << int(IDNO) << "Delete those 3 records from Table?" << all;
        QTest::newRow("several, yes")
            << QList<int>{0, 2, 3} << int(IDYES) << "Delete those 3 records from Table?"
            << QStringList({"2 b@example.com"});
        QTest::newRow("all, yes") << QList<int>{0, 1, 2, 3} << int(IDYES)
                                  << "Delete those 4 records from Table?" << QStringList();
    }
    void deleteSelectedAsksAndDeletes() {
        QFETCH(QList<int>, selected);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, remaining);
        // Before the store's connection, so that it sees the store's writes.
        const CommitWatch watch;
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        CListCtrl list;
        FillList(store, list,
                 {"a@example.com", "b@example.com", "o'brien@example.com", "d@example.com"});
        for (const int nRow : selected)
            QVERIFY(list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED));
        m_answers = {answer};
        const int nWritesBefore = watch.WriteTransactions();
        store.DeleteSelected(&list);
        // All the records in one transaction: one write to the disk, not one per record.
        QCOMPARE(watch.WriteTransactions() - nWritesBefore, answer == IDYES ? 1 : 0);
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].kind, MessageBoxCall::Application);
        QCOMPARE(m_calls[0].nType, unsigned(MB_YESNO));
        QCOMPARE(m_calls[0].strText, question);
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT ID_Address || ' ' || EMail FROM ADDRESSES")),
                 remaining);
        QStringList rows;
        for (int nRow = 0; nRow < list.GetItemCount(); ++nRow)
            rows.append(list.GetItemText(nRow, 0) + u' ' + list.GetItemText(nRow, 2));
        QCOMPARE(rows, remaining);
        QCOMPARE(list.GetSelectedCount(), answer == IDYES ? 0 : int(selected.size()));
    }

    // The engine refuses the third record: no record is deleted, not even the
    // two before it, and all the rows stay, still selected, so that the list
    // and the table agree.
    void aFailedDeleteDeletesNothing() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        CListCtrl list;
        FillList(store, list, {"a@example.com", "b@example.com", "c@example.com", "d@example.com"});
        {
            RawSqlite raw(QStringLiteral("Addresses.mdb"));
            QCOMPARE(raw.Exec(QStringLiteral(
                         "CREATE TRIGGER keep_c BEFORE DELETE ON ADDRESSES WHEN old.ID_Address = 3 "
                         "BEGIN SELECT RAISE(ABORT, 'c is kept'); END")),
                     SQLITE_OK);
        }
        for (const int nRow : {0, 1, 2, 3})
            QVERIFY(list.SetItemState(nRow, LVIS_SELECTED, LVIS_SELECTED));
        m_answers = {IDYES};
        QVERIFY(
            DaoError([&] { store.DeleteSelected(&list); }).contains(QStringLiteral("c is kept")));
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 4);
        QCOMPARE(list.GetItemCount(), 4);
        QCOMPARE(list.GetSelectedCount(), 4);
        // The failed delete left no transaction open: the next one deletes.
        list.SetItemState(2, 0, LVIS_SELECTED);
        m_answers = {IDYES};
        store.DeleteSelected(&list);
        RawSqlite raw(QStringLiteral("Addresses.mdb"));
        QCOMPARE(raw.Column(QStringLiteral("SELECT EMail FROM ADDRESSES")),
                 QStringList{"c@example.com"});
        QCOMPARE(list.GetItemCount(), 1);
    }

    void deleteWithoutSelectionOnlySays() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        CListCtrl list;
        FillList(store, list, {"a@example.com"});
        store.DeleteSelected(&list);
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].kind, MessageBoxCall::System);
        QCOMPARE(m_calls[0].pOwner, nullptr);
        QCOMPARE(m_calls[0].strCaption, QString());
        QCOMPARE(m_calls[0].nType, unsigned(MB_OK));
        QCOMPARE(m_calls[0].strText, QStringLiteral("Please select a record(s) for delete."));
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 1);
        QCOMPARE(list.GetItemCount(), 1);
    }

    void deletingARowWhoseRecordIsGoneDeletesNothingElse() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        CListCtrl list;
        FillList(store, list, {"a@example.com", "b@example.com"});
        QCOMPARE(RunSqlite3(QStringLiteral("DELETE FROM ADDRESSES WHERE ID_Address = 1")),
                 QString());
        list.SetItemText(1, 0, QStringLiteral("x")); // a key that is no number
        list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        m_answers = {IDYES};
        store.DeleteSelected(&list);
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(list.GetItemCount(), 0);
        QCOMPARE(RunSqlite3(QStringLiteral("SELECT EMail FROM ADDRESSES")),
                 QStringLiteral("b@example.com"));
    }

    void keysAreNeverReused() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        CListCtrl list;
        FillList(store, list, {"a@example.com", "b@example.com"});
        list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        m_answers = {IDYES};
        store.DeleteSelected(&list);
        QVERIFY(store.SaveRecord(Values(QStringLiteral("c@example.com")), true));
        QCOMPARE(RunSqlite3(QStringLiteral("SELECT group_concat(ID_Address) FROM ADDRESSES")),
                 QStringLiteral("1,3"));
    }

    // How "=" compares letter case, accents and blanks is the database's
    // rule, tested with the DAO; the engine's lookup tests the other case of
    // ASCII letters. Here: the criteria the store builds and keeps.
    void findByEMailFindsTheExactAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << "jane@example.com" << true;
        QTest::newRow("quote") << "o'brien@example.com" << true;
        QTest::newRow("quote, other case") << "O'Brien@Example.COM" << true;
        QTest::newRow("part") << "o'brien" << false;
        QTest::newRow("mailto") << "mailto:jane@example.com" << false;
        QTest::newRow("quote trick") << "x' OR '1'='1" << false;
        QTest::newRow("wildcard") << "*@example.com" << false;
        QTest::newRow("empty") << "" << false;
    }
    void findByEMailFindsTheExactAddress() {
        QFETCH(QString, address);
        QFETCH(bool, found);
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        for (const char* pEMail : {"jane@example.com", "o'brien@example.com"})
            QVERIFY(store.SaveRecord(Values(QString::fromUtf8(pEMail)), true));
        QCOMPARE(store.FindByEMail(address), found);
        QCOMPARE(store.m_strQuery, QStringLiteral("EMail = '%1'")
                                       .arg(QString(address).replace(u'\'', QStringLiteral("''"))));
        QVERIFY(m_calls.isEmpty());
    }

    void theFindFilterMatchesShownTextsInAnyCase() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(
            Values(QStringLiteral("emile@example.com"), QStringLiteral("Émile Zola")), true));
        QVERIFY(store.SaveRecord(Values(QStringLiteral("jane@example.com"), QStringLiteral("Jane"),
                                        QStringLiteral("2025-03-04")),
                                 true));
        const auto matches = [&](const QString& strText) {
            const QString strFilter =
                QStringLiteral(
                    "[Date] LIKE '*%1*' OR [EMail] LIKE '*%1*' OR [Prefix] LIKE '*%1*' OR "
                    "[Name] LIKE '*%1*' OR [Template] LIKE '*%1*' OR [MY_1] LIKE '*%1*' OR "
                    "[MY_2] LIKE '*%1*' OR [MY_3] LIKE '*%1*' OR [MY_4] LIKE '*%1*' OR "
                    "[MY_5] LIKE '*%1*'")
                    .arg(strText);
            CDaoRecordset recordset(store.m_pCDaoDatabase.get());
            recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                           QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY %3, %4;")
                               .arg(store.m_schema.m_strTable, strFilter,
                                    store.m_schema.m_arrName[0], store.m_schema.m_arrName[1]));
            QStringList found;
            for (; !recordset.IsEOF(); recordset.MoveNext())
                found.append(recordset.GetFieldValue(2).toString());
            return found;
        };
        QCOMPARE(matches(QStringLiteral("émile")), QStringList({"emile@example.com"}));
        QCOMPARE(matches(QStringLiteral("03/04/25")), QStringList({"jane@example.com"}));
        QCOMPARE(matches(QStringLiteral("2025")), QStringList());
        QCOMPARE(matches(QStringLiteral("j?ne")), QStringList({"jane@example.com"}));
        QCOMPARE(matches(QString()), QStringList({"emile@example.com", "jane@example.com"}));
    }

    void otherProgramsShareTheFile() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QVERIFY(store.SaveRecord(Values(QStringLiteral("ours@example.com")), true));
        QCOMPARE(RunSqlite3(QStringLiteral("SELECT EMail FROM ADDRESSES")),
                 QStringLiteral("ours@example.com"));
        QCOMPARE(RunSqlite3(
                     QStringLiteral("INSERT INTO ADDRESSES (EMail) VALUES ('theirs@example.com')")),
                 QString());
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 2);
        QVERIFY(store.FindByEMail(QStringLiteral("THEIRS@example.com")));
        // Another program's rules are the file's: it cannot store what the store refuses.
        QVERIFY(RunSqlite3(QStringLiteral("INSERT INTO ADDRESSES (EMail) VALUES ('')"))
                    .contains(u"Field 'EMail' cannot be empty."));
    }

    void aLockedFileIsReportedAndNothingIsSaved() {
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        RawSqlite other(QStringLiteral("Addresses.mdb"));
        QCOMPARE(other.Exec(QStringLiteral("BEGIN EXCLUSIVE")), SQLITE_OK);
        QVERIFY(DaoError([&] {
                    store.SaveRecord(Values(QStringLiteral("late@example.com")), true);
                }).contains(u"is locked by another program"));
        QCOMPARE(other.Exec(QStringLiteral("COMMIT")), SQLITE_OK);
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
    }

    // Another program holds the file locked while the store opens it: the
    // user is told so and may try again; Cancel leaves the store closed and
    // the file as it was.
    void aFileLockedAtStartOffersRetry_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("releasedAtBox");
        QTest::addColumn<bool>("opened");
        QTest::newRow("Cancel") << QList<int>{IDCANCEL} << 0 << false;
        QTest::newRow("Retry once the other program is done") << QList<int>{IDRETRY} << 1 << true;
        QTest::newRow("Retry while still locked, then Cancel")
            << QList<int>{IDRETRY, IDCANCEL} << 0 << false;
    }
    void aFileLockedAtStartOffersRetry() {
        QFETCH(QList<int>, answers);
        QFETCH(int, releasedAtBox);
        QFETCH(bool, opened);
        {
            CAddressDatabase first;
            QVERIFY(first.OpenOrCreate());
            QVERIFY(first.SaveRecord(Values(QStringLiteral("jane@example.com")), true));
        }
        const QString strPath = QDir::current().filePath(QStringLiteral("Addresses.mdb"));
        const QByteArray content = ReadAll(strPath);
        auto pOther = std::make_unique<RawSqlite>(strPath);
        QCOMPARE(pOther->Exec(QStringLiteral("BEGIN EXCLUSIVE")), SQLITE_OK);
        SetMessageBoxHandler([&](const MessageBoxCall& call) {
            m_calls.append(call);
            if (m_calls.size() == releasedAtBox)
                pOther.reset(); // the other program ends, and its lock goes with it
            return answers.isEmpty() ? IDCANCEL : answers.takeFirst();
        });

        CAddressDatabase store;
        QCOMPARE(store.OpenOrCreate(), opened);
        QVERIFY(answers.isEmpty());
        QVERIFY(!m_calls.isEmpty());
        for (const MessageBoxCall& call : std::as_const(m_calls)) {
            QCOMPARE(call.kind, MessageBoxCall::Application);
            QCOMPARE(call.nType, unsigned(MB_RETRYCANCEL));
            QVERIFY2(call.strText.startsWith(
                         QStringLiteral("The address file \"%1\" is in use by another program")
                             .arg(strPath)),
                     qPrintable(call.strText));
        }
        if (opened) {
            QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 1);
            return;
        }
        QCOMPARE(DaoError([&] { store.CountRecords(store.m_schema.m_strTable); }),
                 QStringLiteral("The database is not open."));
        pOther.reset();
        QCOMPARE(ReadAll(strPath), content);
    }

private:
    // Saves one record per address and lists them as the table view does:
    // key in column 0, address in column 2.
    void FillList(CAddressDatabase& store, CListCtrl& list, const QList<const char*>& addresses) {
        for (int nCol = 0; nCol < store.m_schema.m_nFields; ++nCol)
            list.InsertColumn(nCol, store.m_schema.m_arrName[nCol]);
        for (const char* pEMail : addresses) {
            QVERIFY(store.SaveRecord(Values(QString::fromUtf8(pEMail)), true));
            const int nRow =
                list.InsertItem(list.GetItemCount(), QString::number(list.GetItemCount() + 1));
            list.SetItemText(nRow, 2, QString::fromUtf8(pEMail));
        }
    }

    std::unique_ptr<QTemporaryDir> m_pDir;
    QList<MessageBoxCall> m_calls;
    QList<int> m_answers;
};

QTEST_MAIN(TestAddressDatabase)
#include "tst_addressdatabase.moc"
