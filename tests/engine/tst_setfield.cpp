// One field of many records set in one transaction: the records listed and
// no others, a gone record passed over, and nothing changed at all when the
// database refuses any one of them.

#include "engine/store/SetField.h"
#include "platform/dao/CDaoDatabase.h"
#include "tests/support/DaoError.h"
#include "tests/support/PeopleTable.h"
#include "tests/support/RawSqlite.h"

#include <QTemporaryDir>
#include <QTest>

class TestSetField : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setsTheListedRecordsOrNone_data() {
        QTest::addColumn<QList<qlonglong>>("keys");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("refusedKey");
        QTest::addColumn<int>("changed");
        QTest::addColumn<QStringList>("names");
        const QStringList unchanged = {"Ann", "Bob", "Cy", "Di"};
        QTest::newRow("the listed records")
            << QList<qlonglong>{1, 3} << "Eve" << QString() << 2
            << QStringList{"Eve", "Bob", "Eve", "Di"};
        QTest::newRow("a gone record passed over")
            << QList<qlonglong>{2, 99} << "Eve" << QString() << 1
            << QStringList{"Ann", "Eve", "Cy", "Di"};
        QTest::newRow("a quote is a character")
            << QList<qlonglong>{4} << "O'Neil" << QString() << 1
            << QStringList{"Ann", "Bob", "Cy", "O'Neil"};
        QTest::newRow("too long for the field: none changed")
            << QList<qlonglong>{1, 2} << "Maximiliane" << QString() << -1 << unchanged;
        QTest::newRow("refused at the third: the first two change back")
            << QList<qlonglong>{1, 2, 3, 4} << "Eve" << "3" << -1 << unchanged;
    }
    void setsTheListedRecordsOrNone() {
        QFETCH(QList<qlonglong>, keys);
        QFETCH(QString, value);
        QFETCH(QString, refusedKey);
        QFETCH(int, changed);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        const QString strFile = dir.filePath(QStringLiteral("people.db"));
        CDaoDatabase database;
        database.Create(strFile);
        CreatePeopleTable(database);
        RawSqlite other(strFile);
        QCOMPARE(other.Exec(QStringLiteral("INSERT INTO PEOPLE (Born, Name, Notes) VALUES "
                                           "('2026-01-01 00:00:00', 'Ann', ' '), "
                                           "('2026-01-01 00:00:00', 'Bob', ' '), "
                                           "('2026-01-01 00:00:00', 'Cy', ' '), "
                                           "('2026-01-01 00:00:00', 'Di', ' ')")),
                 SQLITE_OK);
        if (!refusedKey.isEmpty()) {
            QCOMPARE(other.Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON PEOPLE "
                                               "WHEN NEW.ID = %1 BEGIN "
                                               "SELECT RAISE(ABORT, 'refused'); END")
                                    .arg(refusedKey)),
                     SQLITE_OK);
        }

        int nChanged = -1;
        const QString strError = DaoError([&] {
            nChanged = SetField(&database, PeopleSchema(), 2, keys, value);
        });
        QCOMPARE(nChanged, changed);
        QCOMPARE(strError.isNull(), changed >= 0);
        QCOMPARE(other.Column(QStringLiteral("SELECT Name FROM PEOPLE ORDER BY ID")), names);
        // The transaction has ended either way: the file takes a write.
        QCOMPARE(other.Exec(QStringLiteral("UPDATE PEOPLE SET Notes = 'x' WHERE ID = 1")), SQLITE_OK);
    }
};

QTEST_GUILESS_MAIN(TestSetField)
#include "tst_setfield.moc"
