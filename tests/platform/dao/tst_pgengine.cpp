// What the PostgreSQL engine has of its own: the SQL it lets through, one
// connection shared by statements whose rows are still coming, and a
// connection that breaks inside a transaction.

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/CDaoTransaction.h"
#include "platform/dao/CPgSql.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/CTcpRelay.h"
#include "tests/support/DaoError.h"
#include "tests/support/PeopleTable.h"

#include <QTest>
#include <memory>

namespace {

CPgSql::Table People() {
    CPgSql::Table table;
    table.strName = QStringLiteral("PEOPLE");
    for (const char* pColumn : {"ID", "Born", "Name", "Notes"})
        table.columns.insert(CPgSql::FoldName(QString::fromLatin1(pColumn)),
                             QString::fromLatin1(pColumn));
    table.strKey = QStringLiteral("ID");
    table.textColumns = {QStringLiteral("Name"), QStringLiteral("Notes")};
    return table;
}

QString Translated(const QString& strSql, QStringList* pConstants = nullptr) {
    const CPgSql::Table people = People();
    const QList<CPgSql::Statement> statements = CPgSql::Translate(
        strSql,
        [&people](const QString& strName) {
            return CPgSql::FoldName(strName) == u"people" ? &people : nullptr;
        },
        QString());
    QStringList texts;
    for (const CPgSql::Statement& statement : statements) {
        texts.append(statement.strText);
        for (const QByteArray& constant : statement.constants)
            pConstants != nullptr ? pConstants->append(QString::fromUtf8(constant)) : void();
    }
    return texts.join(QStringLiteral("; "));
}

} // namespace

class TestPgEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_pServer = std::make_unique<CPgTestServer>();
        QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
    }
    void init() {
        QCOMPARE(m_pServer->Clear(), QString());
        m_pDatabase = std::make_unique<CDaoDatabase>();
        m_pDatabase->OpenServer(m_pServer->Url());
        CreatePeopleTable(*m_pDatabase);
    }
    void cleanup() { m_pDatabase.reset(); }

    // Quoted texts, patterns included, go to the server as parameters only:
    // whatever they hold is never read as SQL.
    void textsBecomeParameters_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("translated");
        QTest::addColumn<QStringList>("constants");
        QTest::newRow("a quote that would end the text")
            << "SELECT * FROM PEOPLE WHERE Name = 'x'' OR ''1''=''1'"
            << "SELECT * FROM \"PEOPLE\" WHERE lower(\"Name\" COLLATE \"C\") = "
               "lower($1::text COLLATE \"C\")"
            << QStringList{"x' OR '1'='1"};
        QTest::newRow("a pattern with SQL in it")
            << "SELECT * FROM PEOPLE WHERE [Notes] LIKE '*''); DROP TABLE PEOPLE; --*'"
            << "SELECT * FROM \"PEOPLE\" WHERE \"Notes\"::text ~* $1::text"
            << QStringList{"^.*\\'\\)\\;\\ drop\\ table\\ people\\;\\ \\-\\-.*$"};
        QTest::newRow("regular expression signs are characters")
            << "SELECT * FROM PEOPLE WHERE Name NOT LIKE 'a.b+c^$\\[!x-z]'"
            << "SELECT * FROM \"PEOPLE\" WHERE \"Name\"::text !~* $1::text"
            << QStringList{"^a\\.b\\+c\\^\\$\\\\[^x-z]$"};
        QTest::newRow("parameters keep their numbers")
            << "UPDATE PEOPLE SET Name = ?, Notes = 'n' WHERE rowid = ?2"
            << "UPDATE \"PEOPLE\" SET \"Name\" = $1, \"Notes\" = $3 WHERE \"ID\" = $2"
            << QStringList{"n"};
        QTest::newRow("an immediate transaction takes the writers' lock")
            << "BEGIN IMMEDIATE"
            << "BEGIN; SELECT pg_advisory_xact_lock(2026071201)" << QStringList();
    }
    void textsBecomeParameters() {
        QFETCH(QString, sql);
        QFETCH(QString, translated);
        QFETCH(QStringList, constants);
        QStringList actual;
        QCOMPARE(Translated(sql, &actual), translated);
        QCOMPARE(actual, constants);
    }

    // What would let SQL of the caller's texts, or the server's own
    // functions, reach the server is refused before anything is sent.
    void whatItDoesNotKnowIsRefused_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refused");
        QTest::newRow("a server function")
            << "SELECT * FROM PEOPLE WHERE pg_sleep(10) IS NULL"
            << "The function pg_sleep() is not available on a PostgreSQL database.";
        QTest::newRow("a quoted function")
            << "SELECT * FROM PEOPLE WHERE \"pg_read_file\"('x') = ''"
            << "The function \"pg_read_file\"() is not available on a "
               "PostgreSQL database.";
        QTest::newRow("a cast") << "SELECT * FROM PEOPLE WHERE Name::regclass IS NULL"
                                << "The symbol \":\" is not available on a PostgreSQL database.";
        QTest::newRow("a dollar parameter") << "SELECT * FROM PEOPLE WHERE Name = $1"
                                            << "The symbol \"$\" is not available on a PostgreSQL "
                                               "database.";
        QTest::newRow("another statement") << "PRAGMA page_count"
                                           << "The statement \"PRAGMA\" is not available on a "
                                              "PostgreSQL database.";
        QTest::newRow("a field the table lacks") << "SELECT * FROM PEOPLE WHERE current_user = 'x'"
                                                 << "column \"current_user\" does not exist";
        QTest::newRow("LIKE on no quoted pattern")
            << "SELECT * FROM PEOPLE WHERE Name LIKE Notes"
            << "LIKE with a pattern other than a quoted text is not available on a PostgreSQL "
               "database.";
    }
    void whatItDoesNotKnowIsRefused() {
        QFETCH(QString, sql);
        QFETCH(QString, refused);
        QCOMPARE(DaoError([&] { Translated(sql); }), refused);
        QCOMPARE(DaoError([&] { m_pDatabase->Prepare(sql, false); }), refused);
    }

    // A statement needs the connection while another's rows are still
    // coming: those rows are set aside, and the walk goes on where it was.
    void aWalkGoesOnAroundOtherStatements() {
        for (int nPerson = 1; nPerson <= 300; ++nPerson)
            AddPerson(QStringLiteral("P%1").arg(nPerson, 3, 10, QChar(u'0')));
        CDaoRecordset walk(m_pDatabase.get());
        walk.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE ORDER BY Name"));
        QStringList names;
        for (; !walk.IsEOF(); walk.MoveNext()) {
            names.append(walk.GetFieldValue(QStringLiteral("Name")).toString());
            if (names.size() % 100 == 1) {
                CDaoRecordset other(m_pDatabase.get());
                other.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
                QVERIFY(other.FindFirst(QStringLiteral("Name = 'p150'")));
                AddPerson(QStringLiteral("Q%1").arg(names.size()));
            }
        }
        QCOMPARE(names.size(), 300);
        QCOMPARE(names.front(), QStringLiteral("P001"));
        QCOMPARE(names.back(), QStringLiteral("P300"));
        QCOMPARE(m_pServer->Value(QStringLiteral("SELECT count(*) FROM \"PEOPLE\"")),
                 QStringLiteral("303"));
    }

    // A break ends the transaction on the server: its statements fail until
    // the caller rolls it back, and none of it is saved; then the next
    // statement connects again. The break may come while a statement runs,
    // or while the transaction waits for the next one.
    void aBrokenTransactionFailsUntilRolledBack_data() {
        QTest::addColumn<bool>("networkCut");
        QTest::newRow("the server ends the session") << false;
        QTest::newRow("the network goes away between statements") << true;
    }
    void aBrokenTransactionFailsUntilRolledBack() {
        QFETCH(bool, networkCut);
        CTcpRelay relay(m_pServer->Port());
        m_pDatabase->OpenServer(
            QStringLiteral("postgresql://corvane@127.0.0.1:%1/corvane").arg(relay.Port()));
        AddPerson(QStringLiteral("Kept"));
        {
            CDaoTransaction transaction(*m_pDatabase);
            AddPerson(QStringLiteral("Lost"));
            if (networkCut)
                relay.Cut();
            else
                QCOMPARE(m_pServer->Value(QStringLiteral(
                             "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                             "WHERE application_name = 'Corvane'")),
                         QStringLiteral("1"));
            const QString strBroken = DaoError([&] { AddPerson(QStringLiteral("After")); });
            QVERIFY2(strBroken.startsWith(u"The connection to the database corvane@"),
                     qPrintable(strBroken));
            QVERIFY(
                strBroken.endsWith(u"\nThe changes since the transaction began were not saved."));
            QCOMPARE(DaoError([&] { AddPerson(QStringLiteral("Inside")); }), strBroken);
        }
        AddPerson(QStringLiteral("Next"));
        QCOMPARE(
            m_pServer->Column(QStringLiteral("SELECT \"Name\" FROM \"PEOPLE\" ORDER BY \"ID\"")),
            QStringList({"Kept", "Next"}));
    }

    // A transaction whose lock another user holds too long does not begin,
    // and leaves the connection out of any transaction: the next statement
    // is saved.
    void aTransactionThatCannotBeginLeavesNoneOpen() {
        CDaoDatabase other;
        other.OpenServer(m_pServer->Url());
        CDaoTransaction holder(other, CDaoTransaction::Immediate);
        const QString strBusy = DaoError([&] {
            const CDaoTransaction waiting(*m_pDatabase, CDaoTransaction::Immediate);
        });
        QVERIFY2(strBusy.contains(u"is busy with another user's change"), qPrintable(strBusy));
        AddPerson(QStringLiteral("Ann"));
        QCOMPARE(m_pServer->Value(QStringLiteral("SELECT \"Name\" FROM \"PEOPLE\"")),
                 QStringLiteral("Ann"));
    }

    // A statement run often is prepared on the server. What undoes that
    // there (a new session, the table's fields changed, the engine's own
    // forgetting of old statements) costs at most the next run, never all
    // of them.
    void aPreparedStatementOutlivesWhatUndoesIt_data() {
        QTest::addColumn<int>("undoing");
        QTest::addColumn<QString>("firstRunError");
        QTest::newRow("the session ends")
            << int(SessionEnds) << "The connection to the database corvane@";
        QTest::newRow("the table gets a field")
            << int(FieldAdded) << "cached plan must not change result type";
        QTest::newRow("many other statements") << int(ManyOthers) << "";
    }
    void aPreparedStatementOutlivesWhatUndoesIt() {
        QFETCH(int, undoing);
        QFETCH(QString, firstRunError);
        AddPerson(QStringLiteral("Ann"));
        const QString strSelect = QStringLiteral("SELECT * FROM PEOPLE");
        for (int nRun = 0; nRun < 6; ++nRun)
            QCOMPARE(ColumnsOf(strSelect), 4);
        switch (undoing) {
        case SessionEnds:
            QCOMPARE(m_pServer->Value(QStringLiteral(
                         "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                         "WHERE application_name = 'Corvane'")),
                     QStringLiteral("1"));
            break;
        case FieldAdded:
            QCOMPARE(m_pServer->Value(
                         QStringLiteral("ALTER TABLE \"PEOPLE\" ADD COLUMN \"Extra\" text")),
                     QString());
            break;
        case ManyOthers:
            for (int nOther = 0; nOther < 130; ++nOther)
                ColumnsOf(QStringLiteral("SELECT * FROM PEOPLE WHERE ID <> %1").arg(nOther));
            break;
        }
        const QString strFirst = DaoError([&] { ColumnsOf(strSelect); });
        QVERIFY2(firstRunError.isEmpty() ? strFirst.isEmpty() : strFirst.contains(firstRunError),
                 qPrintable(strFirst));
        for (int nRun = 0; nRun < 6; ++nRun)
            QCOMPARE(ColumnsOf(strSelect), undoing == FieldAdded ? 5 : 4);
    }

    // Statements may outlive their database; they then say it is closed.
    void aStatementOutlivesItsDatabase() {
        AddPerson(QStringLiteral("Ann"));
        CDaoStatement select = m_pDatabase->Prepare(QStringLiteral("SELECT * FROM PEOPLE"), true);
        QVERIFY(select.Step());
        m_pDatabase->Close();
        QCOMPARE(DaoError([&] { select.Step(); }), QStringLiteral("The database is not open."));
        select.Reset();
    }

private:
    enum Undoing { SessionEnds, FieldAdded, ManyOthers };

    // Runs a statement kept for reuse; the columns of its first row.
    int ColumnsOf(const QString& strSql) {
        CDaoStatement statement = m_pDatabase->Prepare(strSql, true);
        return statement.Step() ? statement.ColumnCount() : 0;
    }

    void AddPerson(const QString& strName) {
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        recordset.AddNew();
        recordset.SetFieldValue(QStringLiteral("Name"), strName);
        recordset.SetFieldValue(QStringLiteral("Notes"), QStringLiteral("x"));
        recordset.Update();
    }

    std::unique_ptr<CPgTestServer> m_pServer;
    std::unique_ptr<CDaoDatabase> m_pDatabase;
};

QTEST_GUILESS_MAIN(TestPgEngine)
#include "tst_pgengine.moc"
