#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/CJetLike.h"
#include "platform/dao/COleDateTime.h"
#include "platform/dao/DaoSqlFunctions.h"
#include "tests/support/CPgTestServer.h"
#include "tests/support/DaoError.h"
#include "tests/support/PeopleTable.h"
#include "tests/support/RawSqlite.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

void Bind(sqlite3_stmt* pStmt, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(pStmt, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(pStmt, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::Int:
        sqlite3_bind_int64(pStmt, 1, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(pStmt, 1, value.toDouble());
        break;
    default:
        sqlite3_bind_null(pStmt, 1);
        break;
    }
}

// The first column of a statement run on a connection that holds nothing but
// the DAO's SQL functions, with its one parameter, if any, bound to value; a
// null reads as a null QString.
QStringList DaoFunctionsColumn(const QString& strSql, const QVariant& value = QVariant()) {
    sqlite3* pDb = nullptr;
    sqlite3_open(":memory:", &pDb);
    RegisterDaoFunctions(pDb);
    sqlite3_stmt* pStmt = nullptr;
    QStringList values;
    if (sqlite3_prepare_v2(pDb, strSql.toUtf8().constData(), -1, &pStmt, nullptr) != SQLITE_OK)
        values.append(QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(pDb))));
    else if (sqlite3_bind_parameter_count(pStmt) == 1)
        Bind(pStmt, value);
    while (pStmt != nullptr && sqlite3_step(pStmt) == SQLITE_ROW) {
        const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(pStmt, 0));
        values.append(pText == nullptr ? QString() : QString::fromUtf8(pText));
    }
    sqlite3_finalize(pStmt);
    sqlite3_close(pDb);
    return values;
}

} // namespace

// Every case runs on both engines, a file and a PostgreSQL server, unless it
// tests SQLite's own part.
class TestDaoRecordset : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }
    void initTestCase() {
        m_pServer = std::make_unique<CPgTestServer>();
        QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
    }
    void init() {
        QFETCH_GLOBAL(bool, server);
        QVERIFY(m_dir.isValid());
        m_pDatabase = std::make_unique<CDaoDatabase>();
        if (server) {
            QCOMPARE(m_pServer->Clear(), QString());
            m_pDatabase->OpenServer(m_pServer->Url());
        } else {
            m_strPath = m_dir.filePath(QStringLiteral("%1.mdb").arg(++m_nFile));
            m_pDatabase->Create(m_strPath);
        }
        CreatePeopleTable(*m_pDatabase);
        if (!server)
            m_pRaw = std::make_unique<RawSqlite>(m_strPath);
    }
    void cleanup() {
        m_pRaw.reset();
        m_pDatabase.reset();
    }

    void fieldsHoldTheirRules_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name of 10") << "Name"
                                    << "0123456789" << QString();
        QTest::newRow("name of 11") << "Name"
                                    << "01234567890"
                                    << "Field 'Name' holds at most 10 characters.";
        QTest::newRow("10 accented") << "Name" << QString(10, QChar(0xE9)) << QString();
        QTest::newRow("10 beyond BMP")
            << "Name" << QString::fromUtf8("😀").repeated(10) << QString();
        QTest::newRow("11 beyond BMP") << "Name" << QString::fromUtf8("😀").repeated(11)
                                       << "Field 'Name' holds at most 10 characters.";
        QTest::newRow("empty name") << "Name"
                                    << ""
                                    << "Field 'Name' cannot be empty.";
        QTest::newRow("blank name") << "Name"
                                    << " " << QString();
        QTest::newRow("empty notes") << "Notes"
                                     << ""
                                     << "Field 'Notes' cannot be empty.";
        QTest::newRow("long notes") << "Notes" << QString(100000, u'n') << QString();
        QTest::newRow("no date") << "Born"
                                 << "soon"
                                 << "Field 'Born' takes a date such as 12/31/26 or 2026-12-31; "
                                    "\"soon\" is not a date.";
        QTest::newRow("empty date") << "Born"
                                    << ""
                                    << "Field 'Born' takes a date such as 12/31/26 or 2026-12-31; "
                                       "\"\" is not a date.";
        QTest::newRow("key") << "ID"
                             << "5"
                             << "Field 'ID' is numbered by the database and cannot be set.";
        QTest::newRow("no such field") << "Age"
                                       << "5"
                                       << "The recordset has no field 'Age'.";
    }
    void fieldsHoldTheirRules() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        recordset.AddNew();
        QCOMPARE(DaoError([&] {
                     recordset.SetFieldValue(field, value);
                     recordset.Update();
                 }),
                 expected);
        if (expected.isEmpty())
            QCOMPARE(RawValue(QStringLiteral("SELECT %1 FROM PEOPLE").arg(field),
                              QStringLiteral("SELECT \"%1\" FROM \"PEOPLE\"").arg(field)),
                     value);
        else
            QCOMPARE(RawValue(QStringLiteral("SELECT count(*) FROM PEOPLE"),
                              QStringLiteral("SELECT count(*) FROM \"PEOPLE\"")),
                     QStringLiteral("0"));
    }

    void equalsIgnoresTheCaseOfAsciiLetters_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << "Jane"
                              << "Name = 'Jane'" << true;
        QTest::newRow("upper") << "Jane"
                               << "Name = 'JANE'" << true;
        QTest::newRow("trailing blank") << "Jane"
                                        << "Name = 'Jane '" << false;
        QTest::newRow("accented upper") << "école"
                                        << "Name = 'ÉCOLE'" << false;
        QTest::newRow("accented same") << "école"
                                       << "Name = 'école'" << true;
        QTest::newRow("quote") << "O'Brien"
                               << "Name = 'o''brien'" << true;
        QTest::newRow("memo upper") << "Jane"
                                    << "Notes = 'X'" << true;
        QTest::newRow("zero character")
            << QStringLiteral("Ja\0ne") << QStringLiteral("Name = 'JA\0NE'") << true;
        QTest::newRow("zero character ends nothing")
            << QStringLiteral("Ja\0ne") << QStringLiteral("Name = 'Ja'") << false;
        QTest::newRow("zero character and quote")
            << QStringLiteral("O'\0Brien") << QStringLiteral("Name = 'o''\0brien'") << true;
    }
    void equalsIgnoresTheCaseOfAsciiLetters() {
        QFETCH(QString, stored);
        QFETCH(QString, criteria);
        QFETCH(bool, found);
        // A server's text cannot hold the zero character, and says so.
        if (OnServer() && stored.contains(QChar(u'\0'))) {
            QCOMPARE(DaoError([&] {
                         AddRecord(QStringLiteral("12/07/26"), stored, QStringLiteral("x"));
                     }),
                     QStringLiteral("A text holds the zero character, which a PostgreSQL "
                                    "database cannot store."));
            return;
        }
        AddRecord(QStringLiteral("12/07/26"), stored, QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QCOMPARE(recordset.FindFirst(criteria), found);
    }

    void likeFollowsJetWildcards_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("* inside") << "hello"
                                  << "h*o" << true;
        QTest::newRow("* no end") << "hello"
                                  << "h*x" << false;
        QTest::newRow("* alone") << "hello"
                                 << "*" << true;
        QTest::newRow("* around") << "mary.smith@example.com"
                                  << "*smith*" << true;
        QTest::newRow("* backtracks") << "abcabd"
                                      << "*ab?" << true;
        QTest::newRow("a*b") << "xaxxbx"
                             << "*a*b*" << true;
        QTest::newRow("a*b reversed") << "xbxxax"
                                      << "*a*b*" << false;
        QTest::newRow("? one") << "abc"
                               << "a?c" << true;
        QTest::newRow("? not two") << "abbc"
                                   << "a?c" << false;
        QTest::newRow("? one accented") << "aéc"
                                        << "a?c" << true;
        QTest::newRow("# digit") << "a1c"
                                 << "a#c" << true;
        QTest::newRow("# letter") << "abc"
                                  << "a#c" << false;
        QTest::newRow("list in") << "bat"
                                 << "[bc]at" << true;
        QTest::newRow("list out") << "rat"
                                  << "[bc]at" << false;
        QTest::newRow("range in") << "dog"
                                  << "[a-f]og" << true;
        QTest::newRow("range out") << "log"
                                   << "[a-f]og" << false;
        QTest::newRow("range other case") << "Dog"
                                          << "[a-f]og" << true;
        QTest::newRow("not in list") << "rat"
                                     << "[!bc]at" << true;
        QTest::newRow("not in list, is") << "bat"
                                         << "[!bc]at" << false;
        QTest::newRow("not in range") << "5x"
                                      << "[!a-z]x" << true;
        QTest::newRow("bracketed *") << "a*b"
                                     << "a[*]b" << true;
        QTest::newRow("bracketed * only") << "axb"
                                          << "a[*]b" << false;
        QTest::newRow("bracketed ?") << "a?b"
                                     << "a[?]b" << true;
        QTest::newRow("bracketed #") << "1#2"
                                     << "1[#]2" << true;
        QTest::newRow("hyphen first") << "x-y"
                                      << "x[-]y" << true;
        QTest::newRow("empty brackets") << "abc"
                                        << "a[]bc" << true;
        QTest::newRow("percent literal") << "50%"
                                         << "50%" << true;
        QTest::newRow("percent not wild") << "500"
                                          << "50%" << false;
        QTest::newRow("underscore literal") << "a_b"
                                            << "a_b" << true;
        QTest::newRow("underscore not wild") << "axb"
                                             << "a_b" << false;
        QTest::newRow("regular expression signs literal") << "a.b+c^$(x)|{2}\\'"
                                                          << "a.b+c^$(x)|{2}\\''" << true;
        QTest::newRow("dot not wild") << "axb"
                                      << "a.b" << false;
        QTest::newRow("ascii case") << "HELLO"
                                    << "hello" << true;
        QTest::newRow("accented case") << "ÉCOLE"
                                       << "*é*" << true;
        QTest::newRow("accented case, other way") << "école"
                                                  << "ÉCOLE" << true;
        QTest::newRow("greek case") << "ΣΟΦΊΑ"
                                    << "σοφία" << true;
        QTest::newRow("whole text") << "hello"
                                    << "hell" << false;
        QTest::newRow("* around, capitals") << "MARY.SMITH@EXAMPLE.COM"
                                            << "*smith*" << true;
        QTest::newRow("* around percent") << "50% off"
                                          << "*0%*" << true;
        QTest::newRow("* around underscore") << "axb"
                                             << "*a_b*" << false;
        QTest::newRow("* around nothing") << "abc"
                                          << "**" << true;
        QTest::newRow("* around accented") << "L’ÉCOLE"
                                           << "*école*" << true;
    }
    void likeFollowsJetWildcards() {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("x"), text);
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QCOMPARE(recordset.FindFirst(QStringLiteral("Notes LIKE '%1'").arg(pattern)), matches);
        QCOMPARE(recordset.FindFirst(QStringLiteral("Notes NOT LIKE '%1'").arg(pattern)), !matches);
    }

    void likeReportsABadPattern_data() {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("open list") << "[abc";
        QTest::newRow("backward range") << "[z-a]";
    }
    void likeReportsABadPattern() {
        QFETCH(QString, pattern);
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("x"), QStringLiteral("abc"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QCOMPARE(
            DaoError([&] { recordset.FindFirst(QStringLiteral("Notes LIKE '%1'").arg(pattern)); }),
            QStringLiteral("The LIKE pattern '%1' is not valid: each '[' needs its ']' and a "
                           "range such as [a-z] runs upwards.")
                .arg(pattern));
    }

    void likeOnADateComparesItsShownText_data() {
        QTest::addColumn<QString>("criteria");
        QTest::addColumn<bool>("found");
        QTest::newRow("whole") << "Born LIKE '12/07/26'" << true;
        QTest::newRow("bracketed") << "[Born] LIKE '*12/07*'" << true;
        QTest::newRow("qualified") << "PEOPLE.Born LIKE '*/26'" << true;
        QTest::newRow("stored form") << "Born LIKE '*2026*'" << false;
        QTest::newRow("time") << "Born LIKE '*13:45*'" << false;
        QTest::newRow("not") << "Born NOT LIKE '*12*'" << false;
        QTest::newRow("text field untouched") << "Name LIKE 'Born'" << true;
        QTest::newRow("find form") << "[Born] LIKE '*07*' OR [Name] LIKE '*07*'" << true;
    }
    void likeOnADateComparesItsShownText() {
        QFETCH(QString, criteria);
        QFETCH(bool, found);
        AddRecord(QStringLiteral("2026-12-07 13:45:00"), QStringLiteral("Born"),
                  QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QCOMPARE(recordset.FindFirst(criteria), found);
        CDaoRecordset filtered(m_pDatabase.get());
        filtered.Open(AFX_DAO_USE_DEFAULT_TYPE,
                      QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY %3, %4;")
                          .arg(QStringLiteral("PEOPLE"), criteria, QStringLiteral("ID"),
                               QStringLiteral("Born")));
        QCOMPARE(filtered.IsEOF(), !found);
    }

    void shownDateAgreesWithTheGeneralReading_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        const QString invalid = QStringLiteral("Invalid DateTime");
        QTest::newRow("stored form") << QVariant("2026-12-07 10:00:00") << "12/07/26";
        QTest::newRow("day only") << QVariant("2026-12-07") << "12/07/26";
        QTest::newRow("no seconds") << QVariant("2026-12-07 10:00") << "12/07/26";
        QTest::newRow("T") << QVariant("2026-12-07T23:59:59") << "12/07/26";
        QTest::newRow("1930") << QVariant("1930-01-01 13:45:00") << "01/01/30";
        QTest::newRow("year 1") << QVariant("0001-01-01 00:00:00") << "01/01/01";
        QTest::newRow("year 9999") << QVariant("9999-12-31 23:59:59") << "12/31/99";
        QTest::newRow("leap day") << QVariant("2024-02-29 00:00:00") << "02/29/24";
        QTest::newRow("leap day 2000") << QVariant("2000-02-29") << "02/29/00";
        QTest::newRow("no leap day 1900") << QVariant("1900-02-29") << invalid;
        QTest::newRow("no leap day 2023") << QVariant("2023-02-29 00:00:00") << invalid;
        QTest::newRow("february 30") << QVariant("2026-02-30 00:00:00") << invalid;
        QTest::newRow("april 31") << QVariant("2026-04-31 00:00:00") << invalid;
        QTest::newRow("day 32") << QVariant("2026-12-32 00:00:00") << invalid;
        QTest::newRow("day 0") << QVariant("2026-12-00 00:00:00") << invalid;
        QTest::newRow("month 13") << QVariant("2026-13-01 00:00:00") << invalid;
        QTest::newRow("month 0") << QVariant("2026-00-10 00:00:00") << invalid;
        QTest::newRow("year 0") << QVariant("0000-01-01 00:00:00") << invalid;
        QTest::newRow("hour 24") << QVariant("2026-12-07 24:00:00") << invalid;
        QTest::newRow("minute 60") << QVariant("2026-12-07 23:60:00") << invalid;
        QTest::newRow("second 60") << QVariant("2026-12-07 23:59:60") << invalid;
        QTest::newRow("blanks") << QVariant(" 2026-12-07 10:00:00\t") << "12/07/26";
        QTest::newRow("short form") << QVariant("12/7/2026") << "12/07/26";
        QTest::newRow("one-digit second") << QVariant("2026-12-07 10:00:0") << invalid;
        QTest::newRow("fraction") << QVariant("2026-12-07 10:00:00.000") << invalid;
        QTest::newRow("trailing text") << QVariant("2026-12-07 10:00:00x") << invalid;
        QTest::newRow("underscore") << QVariant("2026-12-07_10:00:00") << invalid;
        QTest::newRow("colon for dash") << QVariant("2026:12-07 10:00:00") << invalid;
        QTest::newRow("slashes") << QVariant("2026/12/07 10:00:00") << invalid;
        QTest::newRow("one-digit month") << QVariant("2026-1-07 10:00:00") << invalid;
        QTest::newRow("letter digit") << QVariant("2O26-12-07 10:00:00") << invalid;
        QTest::newRow("wide digits") << QVariant(QString::fromUtf8("２０２６-12-07")) << invalid;
        QTest::newRow("empty") << QVariant("") << invalid;
        QTest::newRow("word") << QVariant("someday") << invalid;
        QTest::newRow("integer") << QVariant(20261207) << invalid;
        QTest::newRow("real") << QVariant(46363.5) << invalid;
        QTest::newRow("blob") << QVariant(QByteArray("2026-12-07 10:00:00")) << invalid;
        QTest::newRow("null") << QVariant() << QString();
    }
    void shownDateAgreesWithTheGeneralReading() {
        if (OnServer())
            QSKIP("a case of SQLite's own");
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        const QStringList result =
            DaoFunctionsColumn(QStringLiteral("SELECT %1(?)").arg(kShownDateFunction), stored);
        QCOMPARE(result, QStringList({shown}));
        QCOMPARE(result.front().isNull(), !stored.isValid());
        if (stored.isValid()) {
            const bool bText = stored.typeId() == QMetaType::QString;
            QCOMPARE(COleDateTime(bText ? stored : QVariant()).Format(QStringLiteral("%x")), shown);
        }
    }

    void likeShortcutAgreesWithEachElement_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("inside") << "mary.smith@example.com"
                                << "*smith*" << true;
        QTest::newRow("absent") << "mary.smith@example.com"
                                << "*smyth*" << false;
        QTest::newRow("text in capitals") << "MARY.SMITH@EXAMPLE.COM"
                                          << "*smith*" << true;
        QTest::newRow("pattern mixed case") << "mary.smith"
                                            << "*SmItH*" << true;
        QTest::newRow("at start") << "smith, mary"
                                  << "*smith*" << true;
        QTest::newRow("at end") << "mary smith"
                                << "*smith*" << true;
        QTest::newRow("whole text") << "Smith"
                                    << "*smith*" << true;
        QTest::newRow("longer than text") << "smit"
                                          << "*smith*" << false;
        QTest::newRow("after a false start") << "smismith"
                                             << "*smith*" << true;
        QTest::newRow("digits and signs") << "call +1 (555) 010"
                                          << "*(555)*" << true;
        QTest::newRow("empty literal") << "abc"
                                       << "**" << true;
        QTest::newRow("empty literal, empty text") << ""
                                                   << "**" << true;
        QTest::newRow("empty literal, accented text") << "é"
                                                      << "**" << true;
        QTest::newRow("star alone, empty text") << ""
                                                << "*" << true;
        QTest::newRow("empty text") << ""
                                    << "*a*" << false;
        QTest::newRow("percent literal") << "50% off"
                                         << "*0%*" << true;
        QTest::newRow("percent not wild") << "500 off"
                                          << "*0%*" << false;
        QTest::newRow("underscore literal") << "a_b"
                                            << "*a_b*" << true;
        QTest::newRow("underscore not wild") << "axb"
                                             << "*a_b*" << false;
        QTest::newRow("accented text, plain literal") << "ÉCOLE Smith"
                                                      << "*SMITH*" << true;
        QTest::newRow("accented text, literal absent") << "école"
                                                       << "*smith*" << false;
        QTest::newRow("accented both") << "L’ÉCOLE"
                                       << "*école*" << true;
        QTest::newRow("accented both, other way") << "l’école"
                                                  << "*ÉCOLE*" << true;
        QTest::newRow("accented literal, plain text") << "ecole"
                                                      << "*école*" << false;
        QTest::newRow("plain literal, accented letter") << "école"
                                                        << "*ecole*" << false;
        QTest::newRow("greek") << "ΣΟΦΊΑ"
                               << "*οφί*" << true;
        QTest::newRow("kelvin sign in text") << QString::fromUtf8("\u212A") << "*k*" << true;
        QTest::newRow("kelvin sign in literal") << "K" << QString::fromUtf8("*\u212A*") << true;
        QTest::newRow("long s in text") << QString::fromUtf8("\u017Fmith") << "*smith*" << true;
        QTest::newRow("not a literal") << "smith"
                                       << "*sm?th*" << true;
        QTest::newRow("not around") << "smith"
                                    << "sm*" << true;
    }
    void likeShortcutAgreesWithEachElement() {
        if (OnServer())
            QSKIP("a case of SQLite's own");
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        const CJetLike like(pattern);
        QVERIFY(like.IsValid());
        const QByteArray utf8 = text.toUtf8();
        QCOMPARE(like.Match(utf8.constData(), utf8.size()), matches);
        QCOMPARE(like.MatchEachElement(utf8.constData(), utf8.size()), matches);
    }

    void likeTakesEachRowsPattern_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one pattern")
            << "WITH r(t) AS (VALUES ('abc'), ('xyz'), ('ABC')) SELECT t LIKE '*B*' FROM r"
            << QStringList({"1", "0", "1"});
        QTest::newRow("pattern per row")
            << "WITH r(t, p) AS (VALUES ('abc', '*b*'), ('abc', '*x*'), ('abc', 'a?c'), "
               "('abc', '*B*')) SELECT t LIKE p FROM r"
            << QStringList({"1", "0", "1", "1"});
        QTest::newRow("escape per row")
            << "WITH r(t, p, e) AS (VALUES ('a*c', '*!**', '!'), ('a*c', '*#**', '#'), "
               "('abc', '*!**', '!'), ('a!c', '*!**', '#')) SELECT t LIKE p ESCAPE e FROM r"
            << QStringList({"1", "1", "0", "1"});
    }
    void likeTakesEachRowsPattern() {
        if (OnServer())
            QSKIP("a case of SQLite's own");
        QFETCH(QString, sql);
        QFETCH(QStringList, expected);
        QCOMPARE(DaoFunctionsColumn(sql), expected);
    }

    void datesAreWrittenFromShortAndIsoTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("short") << "12/07/26"
                               << "2026-12-07 00:00:00";
        QTest::newRow("short, one digit") << "1/2/26"
                                          << "2026-01-02 00:00:00";
        QTest::newRow("short, four digits") << "01/01/1930"
                                            << "1930-01-01 00:00:00";
        QTest::newRow("iso day") << "1930-01-01"
                                 << "1930-01-01 00:00:00";
        QTest::newRow("iso time") << "2026-12-07 13:45:10"
                                  << "2026-12-07 13:45:10";
        QTest::newRow("iso T") << "2026-12-07T13:45"
                               << "2026-12-07 13:45:00";
        QTest::newRow("blanks") << " 12/07/26 "
                                << "2026-12-07 00:00:00";
        const int nLast = QDate::currentDate().year() + 20;
        QTest::newRow("window end")
            << QStringLiteral("06/30/%1").arg(nLast % 100, 2, 10, QChar(u'0'))
            << QStringLiteral("%1-06-30 00:00:00").arg(nLast);
        QTest::newRow("window start")
            << QStringLiteral("06/30/%1").arg((nLast + 1) % 100, 2, 10, QChar(u'0'))
            << QStringLiteral("%1-06-30 00:00:00").arg(nLast - 99);
    }
    void datesAreWrittenFromShortAndIsoTexts() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        AddRecord(text, QStringLiteral("x"), QStringLiteral("x"));
        QCOMPARE(RawValue(QStringLiteral("SELECT Born FROM PEOPLE"),
                          QStringLiteral("SELECT \"Born\"::text FROM \"PEOPLE\"")),
                 stored);
    }

    void badDateTextsRaise_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("month 13") << "13/01/26";
        QTest::newRow("february 30") << "02/30/26";
        QTest::newRow("day first") << "31/12/26";
        QTest::newRow("three-digit year") << "12/07/026";
        QTest::newRow("german") << "07.12.2026";
        QTest::newRow("iso bad time") << "2026-12-07 25:00:00";
        QTest::newRow("trailing text") << "12/07/26 soon";
    }
    void badDateTextsRaise() {
        QFETCH(QString, text);
        QVERIFY(DaoError([&] {
                    AddRecord(text, QStringLiteral("x"), QStringLiteral("x"));
                }).startsWith(u"Field 'Born' takes a date"));
        QCOMPARE(RawValue(QStringLiteral("SELECT count(*) FROM PEOPLE"),
                          QStringLiteral("SELECT count(*) FROM \"PEOPLE\"")),
                 QStringLiteral("0"));
    }

    void datesAreReadAsDates() {
        if (OnServer())
            QSKIP("a case of SQLite's own");
        AddRecord(QStringLiteral("1930-01-01 13:45:00"), QStringLiteral("x"), QStringLiteral("x"));
        QCOMPARE(m_pRaw->Exec(QStringLiteral("PRAGMA ignore_check_constraints = 1; "
                                             "INSERT INTO PEOPLE (Born) VALUES ('someday'); "
                                             "INSERT INTO PEOPLE (Born) VALUES (NULL)")),
                 SQLITE_OK);
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                       QStringLiteral("SELECT * FROM PEOPLE ORDER BY ID"));
        QStringList shown;
        for (; !recordset.IsEOF(); recordset.MoveNext())
            shown.append(COleDateTime(recordset.GetFieldValue(1)).Format(QStringLiteral("%x")));
        QCOMPARE(shown, QStringList({"01/01/30", "Invalid DateTime", "Invalid DateTime"}));
        recordset.MoveFirst();
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("born")).toDateTime(),
                 QDateTime(QDate(1930, 1, 1), QTime(13, 45), Qt::UTC));
    }

    void resavingTheShownDateKeepsTheStoredDate_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1930 as shown") << "1930-01-01 13:45:00"
                                       << "01/01/30"
                                       << "1930-01-01 13:45:00";
        QTest::newRow("1930 changed") << "1930-01-01 13:45:00"
                                      << "01/02/30"
                                      << "2030-01-02 00:00:00";
        QTest::newRow("2099 as shown") << "2099-05-06 00:00:00"
                                       << "05/06/99"
                                       << "2099-05-06 00:00:00";
        QTest::newRow("iso over 1930") << "1930-01-01 13:45:00"
                                       << "1931-01-01"
                                       << "1931-01-01 00:00:00";
    }
    void resavingTheShownDateKeepsTheStoredDate() {
        QFETCH(QString, stored);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        AddRecord(stored, QStringLiteral("x"), QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        recordset.Edit();
        recordset.SetFieldValue(QStringLiteral("Born"), text);
        recordset.SetFieldValue(QStringLiteral("Name"), QStringLiteral("edited"));
        recordset.Update();
        QCOMPARE(RawValue(QStringLiteral("SELECT Born || Name FROM PEOPLE"),
                          QStringLiteral("SELECT \"Born\"::text || \"Name\" FROM \"PEOPLE\"")),
                 expected + "edited");
    }

    void resavingAMissingDateKeepsIt() {
        QCOMPARE(RawColumn(QStringLiteral("INSERT INTO PEOPLE (Name) VALUES ('x')"),
                           QStringLiteral("INSERT INTO \"PEOPLE\" (\"Name\") VALUES ('x')")),
                 QStringList());
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        recordset.Edit();
        recordset.SetFieldValue(
            QStringLiteral("Born"),
            COleDateTime(recordset.GetFieldValue(1)).Format(QStringLiteral("%x")));
        recordset.SetFieldValue(QStringLiteral("Name"), QStringLiteral("y"));
        recordset.Update();
        QCOMPARE(RawValue(QStringLiteral("SELECT quote(Born) || Name FROM PEOPLE"),
                          QStringLiteral("SELECT coalesce(\"Born\"::text, 'NULL') || \"Name\" "
                                         "FROM \"PEOPLE\"")),
                 QStringLiteral("NULLy"));
    }

    void movesWalkTheRecordsInOrder() {
        for (const char* pName : {"Ann", "Cid", "Bob"})
            AddRecord(QStringLiteral("12/07/26"), QString::fromLatin1(pName), QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                       QStringLiteral("SELECT * FROM PEOPLE ORDER BY Name DESC;"));
        QVERIFY(!recordset.IsBOF());
        QCOMPARE(recordset.GetRecordCount(), 1L);
        recordset.MoveLast();
        QCOMPARE(recordset.GetRecordCount(), 3L);
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Ann"));
        QStringList names;
        for (recordset.MoveFirst(); !recordset.IsEOF(); recordset.MoveNext())
            names.append(recordset.GetFieldValue(2).toString());
        QCOMPARE(names, QStringList({"Cid", "Bob", "Ann"}));
        QCOMPARE(DaoError([&] { recordset.MoveNext(); }), QStringLiteral("No current record."));
        QCOMPARE(DaoError([&] { recordset.GetFieldValue(2); }),
                 QStringLiteral("No current record."));
        QCOMPARE(DaoError([&] { recordset.GetFieldValue(4); }),
                 QStringLiteral("The recordset has no field '4'."));
    }

    void anEmptyRecordsetHasNoRecord() {
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QVERIFY(recordset.IsEOF());
        QVERIFY(recordset.IsBOF());
        QCOMPARE(recordset.GetRecordCount(), 0L);
        QCOMPARE(DaoError([&] { recordset.MoveLast(); }), QStringLiteral("No current record."));
        QCOMPARE(DaoError([&] { recordset.Edit(); }), QStringLiteral("No current record."));
        QVERIFY(!recordset.FindFirst(QStringLiteral("ID = 1")));
    }

    void findFirstMovesToTheFirstMatchInOrder() {
        for (const char* pName : {"Ann", "Bob", "Cid", "Dan"})
            AddRecord(QStringLiteral("12/07/26"), QString::fromLatin1(pName), QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(
            AFX_DAO_USE_DEFAULT_TYPE,
            QStringLiteral("SELECT * FROM PEOPLE WHERE Name <> 'Cid' ORDER BY Name DESC"));
        QVERIFY(recordset.Find(AFX_DAO_FIRST, QStringLiteral("Name < 'D' -- the first below D")));
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Bob"));
        recordset.MoveNext();
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Ann"));
        QVERIFY(!recordset.FindFirst(QStringLiteral("Name = 'Cid'")));
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Ann"));
        recordset.MoveLast();
        QCOMPARE(recordset.GetRecordCount(), 3L);
    }

    void editsAndDeletesTheCurrentRecord() {
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("Ann"), QStringLiteral("x"));
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("Bob"), QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        QCOMPARE(DaoError([&] { recordset.Update(); }),
                 QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
        recordset.Edit();
        recordset.SetFieldValue(QStringLiteral("Notes"), QStringLiteral("edited"));
        recordset.Update();
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Notes")).toString(),
                 QStringLiteral("edited"));
        recordset.Delete();
        QCOMPARE(DaoError([&] { recordset.GetFieldValue(0); }),
                 QStringLiteral("Record is deleted."));
        recordset.MoveNext();
        QCOMPARE(recordset.GetFieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Bob"));
        // While the recordset walks a file's records, others wait to write; a
        // find ends the walk.
        if (!OnServer())
            QCOMPARE(m_pRaw->Exec(QStringLiteral("DELETE FROM PEOPLE")), SQLITE_BUSY);
        QVERIFY(recordset.FindFirst(QStringLiteral("Name = 'Bob'")));
        QCOMPARE(RawColumn(QStringLiteral("DELETE FROM PEOPLE"),
                           QStringLiteral("DELETE FROM \"PEOPLE\"")),
                 QStringList());
        recordset.Edit();
        recordset.SetFieldValue(QStringLiteral("Notes"), QStringLiteral("lost"));
        QCOMPARE(DaoError([&] { recordset.Update(); }), QStringLiteral("Record is deleted."));
        QCOMPARE(RawValue(QStringLiteral("SELECT count(*) FROM PEOPLE"),
                          QStringLiteral("SELECT count(*) FROM \"PEOPLE\"")),
                 QStringLiteral("0"));
    }

    void closingDropsAnUnsavedEdit() {
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("Ann"), QStringLiteral("x"));
        {
            CDaoRecordset recordset(m_pDatabase.get());
            recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
            recordset.Edit();
            recordset.SetFieldValue(QStringLiteral("Name"), QStringLiteral("Changed"));
            recordset.AddNew();
            recordset.SetFieldValue(QStringLiteral("Name"), QStringLiteral("New"));
        }
        QCOMPARE(RawColumn(QStringLiteral("SELECT Name FROM PEOPLE"),
                           QStringLiteral("SELECT \"Name\" FROM \"PEOPLE\"")),
                 QStringList({"Ann"}));
    }

    void otherStatementsRaise_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("serverExpected");
        QTest::newRow("columns") << "SELECT Name FROM PEOPLE"
                                 << "has another form"
                                 << "has another form";
        QTest::newRow("two statements") << "SELECT * FROM PEOPLE; DELETE FROM PEOPLE"
                                        << "has another form"
                                        << "has another form";
        QTest::newRow("join") << "SELECT * FROM PEOPLE, PEOPLE"
                              << "has another form"
                              << "has another form";
        QTest::newRow("no table") << "SELECT * FROM NOBODY"
                                  << "no such table: NOBODY"
                                  << "relation \"NOBODY\" does not exist";
        QTest::newRow("bad where") << "SELECT * FROM PEOPLE WHERE Age = 1"
                                   << "no such column: Age"
                                   << "column \"Age\" does not exist";
        QTest::newRow("a function") << "SELECT * FROM PEOPLE WHERE pg_sleep(1) IS NULL"
                                    << "no such function: pg_sleep"
                                    << "The function pg_sleep() is not available";
    }
    void otherStatementsRaise() {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QFETCH(QString, serverExpected);
        if (OnServer())
            expected = serverExpected;
        AddRecord(QStringLiteral("12/07/26"), QStringLiteral("Ann"), QStringLiteral("x"));
        CDaoRecordset recordset(m_pDatabase.get());
        QVERIFY2(
            DaoError([&] { recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, sql); }).contains(expected),
            qPrintable(DaoError([&] { recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, sql); })));
        QVERIFY(!recordset.IsOpen());
        QCOMPARE(RawValue(QStringLiteral("SELECT count(*) FROM PEOPLE"),
                          QStringLiteral("SELECT count(*) FROM \"PEOPLE\"")),
                 QStringLiteral("1"));
    }

private:
    static bool OnServer() {
        QFETCH_GLOBAL(bool, server);
        return server;
    }

    // The first column of a query of another connection: the SQLite form of
    // the query on a file, the PostgreSQL form on the server.
    QStringList RawColumn(const QString& strSqlite, const QString& strPostgres) {
        return OnServer() ? m_pServer->Column(strPostgres) : m_pRaw->Column(strSqlite);
    }
    QString RawValue(const QString& strSqlite, const QString& strPostgres) {
        return RawColumn(strSqlite, strPostgres).value(0);
    }

    void AddRecord(const QString& strBorn, const QString& strName, const QString& strNotes) {
        CDaoRecordset recordset(m_pDatabase.get());
        recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM PEOPLE"));
        recordset.AddNew();
        recordset.SetFieldValue(QStringLiteral("Born"), strBorn);
        recordset.SetFieldValue(QStringLiteral("Name"), strName);
        recordset.SetFieldValue(QStringLiteral("Notes"), strNotes);
        recordset.Update();
    }

    std::unique_ptr<CPgTestServer> m_pServer;
    QTemporaryDir m_dir;
    int m_nFile = 0;
    QString m_strPath;
    std::unique_ptr<CDaoDatabase> m_pDatabase;
    std::unique_ptr<RawSqlite> m_pRaw;
};

QTEST_GUILESS_MAIN(TestDaoRecordset)
#include "tst_daorecordset.moc"
