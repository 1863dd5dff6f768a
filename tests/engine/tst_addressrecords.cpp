#include "engine/store/CAddressRecords.h"
#include "engine/store/CreateTable.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoTableDef.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/DaoError.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <memory>

namespace {

// A table in the address table's form, smaller: ID numbered by the database,
// Date, EMail (at most 20 characters), Name and a memo.
CTableSchema Schema() {
    CTableSchema schema;
    schema.m_strTable = QStringLiteral("CONTACTS");
    schema.AppendField(QStringLiteral("ID_Address"), dbLong, 4, 0, dbAutoIncrField);
    schema.AppendField(QStringLiteral("Date"), dbDate, 60, 0, 0);
    schema.AppendField(QStringLiteral("EMail"), dbText, 20, 0, 0);
    schema.AppendField(QStringLiteral("Name"), dbText, 10, 0, 0);
    schema.AppendField(QStringLiteral("MY_1"), dbMemo, 0, 0, 0);
    schema.m_nFields = int(schema.m_arrName.size());
    schema.m_nLabelField = 2;
    return schema;
}

QStringList Values(const QString& strEMail, const QString& strName = QStringLiteral("Jane"),
                   const QString& strKey = QStringLiteral("0")) {
    return {strKey, QStringLiteral("12/07/26"), strEMail, strName, QStringLiteral("note")};
}

} // namespace

// Every case runs on both engines: a file and a PostgreSQL server.
class TestAddressRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void initTestCase();
    void init();
    void cleanup();

    void countsTheRecords();
    void findsByEMail_data();
    void findsByEMail();
    void aFailedAddLeavesNoRecord();
    void updatesByTheNumberAtTheKeysStart_data();
    void updatesByTheNumberAtTheKeysStart();
    void anUpdateSavesWhatTheTableShows_data();
    void anUpdateSavesWhatTheTableShows();
    void deletesByKey_data();
    void deletesByKey();
    void aClosedStoreThrows();
    void readsNumbersAsAtoIDoes_data();
    void readsNumbersAsAtoIDoes();
    void keyCriteriaFollowTheKeysType_data();
    void keyCriteriaFollowTheKeysType();

private:
    QString NameOf(const QString& strEMail);
    QString StoredDateOf(const QString& strEMail);
    // Opens the test's database on the engine of the current row.
    void OpenDatabase(CDaoDatabase& database);

    std::unique_ptr<CPgTestServer> m_pServer;
    std::unique_ptr<QTemporaryDir> m_pDir;
    CDaoDatabase m_database;
    CTableSchema m_schema = Schema();
};

void TestAddressRecords::initTestCase_data() {
    QTest::addColumn<bool>("server");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void TestAddressRecords::initTestCase() {
    m_pServer = std::make_unique<CPgTestServer>();
    QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
}

void TestAddressRecords::init() {
    QFETCH_GLOBAL(bool, server);
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    if (server)
        QCOMPARE(m_pServer->Clear(), QString());
    else
        m_database.Create(QDir(m_pDir->path()).filePath(QStringLiteral("Addresses.mdb")));
    if (server)
        OpenDatabase(m_database);
    CDaoTableDef tableDef(&m_database);
    CreateTable(tableDef, m_schema);
}

void TestAddressRecords::OpenDatabase(CDaoDatabase& database) {
    QFETCH_GLOBAL(bool, server);
    if (server)
        database.OpenServer(m_pServer->Url());
    else
        database.Open(QDir(m_pDir->path()).filePath(QStringLiteral("Addresses.mdb")));
}

void TestAddressRecords::cleanup() {
    m_database.Close();
    m_pDir.reset();
}

QString TestAddressRecords::NameOf(const QString& strEMail) {
    CDaoRecordset recordset(&m_database);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM CONTACTS"));
    if (!recordset.FindFirst(CAddressRecords::EMailCriteria(strEMail)))
        return QStringLiteral("<none>");
    return recordset.GetFieldValue(QStringLiteral("Name")).toString();
}

QString TestAddressRecords::StoredDateOf(const QString& strEMail) {
    CDaoRecordset recordset(&m_database);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM CONTACTS"));
    if (!recordset.FindFirst(CAddressRecords::EMailCriteria(strEMail)))
        return QStringLiteral("<none>");
    return recordset.GetFieldValue(QStringLiteral("Date"))
        .toDateTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void TestAddressRecords::countsTheRecords() {
    CAddressRecords records(&m_database, m_schema);
    QCOMPARE(records.Count(), 0);
    records.Add(Values(QStringLiteral("a@example.com")));
    records.Add(Values(QStringLiteral("b@example.com")));
    records.Add(Values(QStringLiteral("c@example.com")));
    QCOMPARE(records.Count(), 3);
    QCOMPARE(CAddressRecords(&m_database, m_schema).Count(), 3);
}

void TestAddressRecords::findsByEMail_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("sought");
    QTest::addColumn<bool>("found");

    QTest::newRow("the same address") << "jane@example.com"
                                      << "jane@example.com" << true;
    QTest::newRow("ASCII letters in another case") << "Jane@Example.COM"
                                                   << "jane@example.com" << true;
    QTest::newRow("another address") << "jane@example.com"
                                     << "john@example.com" << false;
    QTest::newRow("a quote is a character") << "o'neil@example.com"
                                            << "o'neil@example.com" << true;
    QTest::newRow("a quote that would end the text") << "x@example.com"
                                                     << "x' OR '1'='1" << false;
    QTest::newRow("wildcards are characters") << "jane@example.com"
                                              << "j*@example.com" << false;
    QTest::newRow("a part of the address") << "jane@example.com"
                                           << "jane@example" << false;
}

void TestAddressRecords::findsByEMail() {
    QFETCH(QString, stored);
    QFETCH(QString, sought);
    QFETCH(bool, found);
    CAddressRecords records(&m_database, m_schema);
    records.Add(Values(stored));
    QCOMPARE(records.FindByEMail(sought), found);
}

void TestAddressRecords::aFailedAddLeavesNoRecord() {
    CAddressRecords records(&m_database, m_schema);
    const QString strError = DaoError(
        [&] { records.Add(Values(QStringLiteral("jane@example.com"), "A name too long")); });
    QVERIFY2(strError.contains(QStringLiteral("Name")), qPrintable(strError));
    QCOMPARE(records.Count(), 0);
    records.Add(Values(QStringLiteral("jane@example.com")));
    QCOMPARE(records.Count(), 1);
}

void TestAddressRecords::updatesByTheNumberAtTheKeysStart_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("updated");

    QTest::newRow("the key") << "2" << true;
    QTest::newRow("blanks and a sign before it") << " +2" << true;
    QTest::newRow("text after the number") << "2 (Jane)" << true;
    QTest::newRow("a key no record has") << "7" << false;
    QTest::newRow("no number") << "Jane" << false;
}

void TestAddressRecords::updatesByTheNumberAtTheKeysStart() {
    QFETCH(QString, key);
    QFETCH(bool, updated);
    CAddressRecords records(&m_database, m_schema);
    records.Add(Values(QStringLiteral("a@example.com"), QStringLiteral("Anna")));
    records.Add(Values(QStringLiteral("b@example.com"), QStringLiteral("Bert")));
    QCOMPARE(records.Update(Values(QStringLiteral("b@example.com"), QStringLiteral("Berta"), key)),
             updated);
    QCOMPARE(NameOf(QStringLiteral("b@example.com")),
             updated ? QStringLiteral("Berta") : QStringLiteral("Bert"));
    QCOMPARE(NameOf(QStringLiteral("a@example.com")), QStringLiteral("Anna"));
    QCOMPARE(records.Count(), 2);
}

// The table shows a date without its century and time: that text saved
// back keeps the stored date, any other date text replaces it. A value that
// breaks a rule fails the update, unless the record has gone: that is said
// first.
void TestAddressRecords::anUpdateSavesWhatTheTableShows_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("storedDate");

    QTest::newRow("the date as shown") << "1"
                                       << "01/01/30"
                                       << "Anne"
                                       << "saved"
                                       << "1930-01-01 10:30:00";
    QTest::newRow("another date") << "1"
                                  << "01/02/30"
                                  << "Anne"
                                  << "saved"
                                  << "2030-01-02 00:00:00";
    QTest::newRow("the same day, written out") << "1"
                                               << "1930-01-01"
                                               << "Anne"
                                               << "saved"
                                               << "1930-01-01 00:00:00";
    QTest::newRow("a name too long") << "1"
                                     << "01/01/30"
                                     << "Anne-Marie Smith"
                                     << "Field 'Name' holds at most 10 characters."
                                     << "1930-01-01 10:30:00";
    QTest::newRow("a name too long for a record that has gone") << "7"
                                                                << "01/01/30"
                                                                << "Anne-Marie Smith"
                                                                << "not found"
                                                                << "1930-01-01 10:30:00";
}

void TestAddressRecords::anUpdateSavesWhatTheTableShows() {
    QFETCH(QString, key);
    QFETCH(QString, date);
    QFETCH(QString, name);
    QFETCH(QString, outcome);
    QFETCH(QString, storedDate);
    const QString strEMail = QStringLiteral("ann@example.com");
    CAddressRecords records(&m_database, m_schema);
    QStringList values = Values(strEMail, QStringLiteral("Ann"));
    values[1] = QStringLiteral("1930-01-01 10:30:00");
    records.Add(values);
    values = Values(strEMail, name, key);
    values[1] = date;
    bool bFound = false;
    const QString strError = DaoError([&] { bFound = records.Update(values); });
    const QString strOutcome =
        !strError.isEmpty() ? strError
                            : (bFound ? QStringLiteral("saved") : QStringLiteral("not found"));
    QCOMPARE(strOutcome, outcome);
    QCOMPARE(NameOf(strEMail), outcome == u"saved" ? name : QStringLiteral("Ann"));
    QCOMPARE(StoredDateOf(strEMail), storedDate);
}

void TestAddressRecords::deletesByKey_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("remaining");
    QTest::newRow("a number") << int(dbLong) << "1"
                              << "b@example.com";
    QTest::newRow("a number as atoi reads it") << int(dbLong) << " 2abc"
                                               << "a@example.com";
    QTest::newRow("no record has it") << int(dbLong) << "9"
                                      << "a@example.com b@example.com";
    QTest::newRow("no digits") << int(dbLong) << "x"
                               << "a@example.com b@example.com";
    QTest::newRow("a text key") << int(dbText) << "2"
                                << "a@example.com";
    QTest::newRow("a text key is no number") << int(dbText) << "2abc"
                                             << "a@example.com b@example.com";
    QTest::newRow("a memo key") << int(dbMemo) << "1"
                                << "a@example.com b@example.com";
}

// The key is read as its field's type wants, as the key criteria read it;
// only the record it names goes, and only once.
void TestAddressRecords::deletesByKey() {
    QFETCH(int, type);
    QFETCH(QString, key);
    QFETCH(QString, remaining);
    CAddressRecords(&m_database, m_schema).Add(Values(QStringLiteral("a@example.com")));
    CAddressRecords(&m_database, m_schema).Add(Values(QStringLiteral("b@example.com")));
    CTableSchema schema = m_schema;
    schema.m_arrType[0] = type;
    CAddressRecords records(&m_database, schema);
    const bool bDeleted = remaining.count(u'@') == 1;
    QCOMPARE(records.DeleteByKey(key), bDeleted);
    QVERIFY(!records.DeleteByKey(key));
    QCOMPARE(records.Count(), bDeleted ? 1 : 2);
    for (const QString& strEMail :
         {QStringLiteral("a@example.com"), QStringLiteral("b@example.com")})
        QCOMPARE(records.FindByEMail(strEMail), remaining.contains(strEMail));
}

void TestAddressRecords::aClosedStoreThrows() {
    m_database.Close();
    QVERIFY(!DaoError([&] { CAddressRecords(&m_database, m_schema); }).isEmpty());
    QVERIFY(!DaoError([&] { CAddressRecords(nullptr, m_schema); }).isEmpty());
    CTableSchema missing = m_schema;
    missing.m_strTable = QStringLiteral("MISSING");
    CDaoDatabase other;
    OpenDatabase(other);
    QVERIFY(!DaoError([&] { CAddressRecords(&other, missing); }).isEmpty());
}

void TestAddressRecords::readsNumbersAsAtoIDoes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");

    QTest::newRow("empty") << "" << 0;
    QTest::newRow("digits") << "42" << 42;
    QTest::newRow("leading blanks") << " \t 42" << 42;
    QTest::newRow("a minus") << "-42" << -42;
    QTest::newRow("a plus") << "+42" << 42;
    QTest::newRow("stops at a non-digit") << "42abc7" << 42;
    QTest::newRow("no digits") << "abc" << 0;
    QTest::newRow("a sign alone") << "-" << 0;
    QTest::newRow("beyond int") << "99999999999" << INT_MAX;
    QTest::newRow("below int") << "-99999999999" << INT_MIN;
}

void TestAddressRecords::readsNumbersAsAtoIDoes() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(CAddressRecords::AtoI(text), number);
}

void TestAddressRecords::keyCriteriaFollowTheKeysType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("criteria");

    QTest::newRow("a number key") << int(dbLong) << " 12 "
                                  << "ID_Address=12";
    QTest::newRow("a text key, its quote doubled") << int(dbText) << "o'neil"
                                                   << "ID_Address='o''neil'";
    QTest::newRow("a memo key") << int(dbMemo) << "12" << QString();
    QTest::newRow("a date key") << int(dbDate) << "12" << QString();
}

void TestAddressRecords::keyCriteriaFollowTheKeysType() {
    QFETCH(int, type);
    QFETCH(QString, key);
    QFETCH(QString, criteria);
    CTableSchema schema = m_schema;
    schema.m_arrType[0] = type;
    QCOMPARE(CAddressRecords::KeyCriteria(schema, key).value_or(QString()), criteria);
}

QTEST_GUILESS_MAIN(TestAddressRecords)
#include "tst_addressrecords.moc"
