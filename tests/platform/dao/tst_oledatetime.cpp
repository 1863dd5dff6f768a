#include "platform/dao/COleDateTime.h"

#include <QDateTime>
#include <QTest>
#include <QVariant>
#include <clocale>

class TestOleDateTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void expandsTwoDigitYears_data() {
        QTest::addColumn<int>("twoDigits");
        QTest::addColumn<int>("currentYear");
        QTest::addColumn<int>("year");
        QTest::newRow("2026: 00") << 0 << 2026 << 2000;
        QTest::newRow("2026: 26") << 26 << 2026 << 2026;
        QTest::newRow("2026: 46") << 46 << 2026 << 2046;
        QTest::newRow("2026: 47") << 47 << 2026 << 1947;
        QTest::newRow("2026: 99") << 99 << 2026 << 1999;
        QTest::newRow("2026: 30") << 30 << 2026 << 2030;
        QTest::newRow("2081: 01") << 1 << 2081 << 2101;
        QTest::newRow("2081: 02") << 2 << 2081 << 2002;
        QTest::newRow("1999: 19") << 19 << 1999 << 2019;
        QTest::newRow("1999: 20") << 20 << 1999 << 1920;
    }
    void expandsTwoDigitYears() {
        QFETCH(int, twoDigits);
        QFETCH(int, currentYear);
        QFETCH(int, year);
        QCOMPARE(COleDateTime::ExpandTwoDigitYear(twoDigits, currentYear), year);
    }

    void parsesShortAndIsoTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const auto at = [](int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
            return QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC);
        };
        QTest::newRow("short") << "12/07/26" << at(2026, 12, 7);
        QTest::newRow("short, no zeros") << "2/9/26" << at(2026, 2, 9);
        QTest::newRow("short, full year") << "02/29/2024" << at(2024, 2, 29);
        QTest::newRow("iso") << "2026-12-07" << at(2026, 12, 7);
        QTest::newRow("iso with time") << "1930-01-01 13:45:10" << at(1930, 1, 1, 13, 45, 10);
        QTest::newRow("iso with T") << "1930-01-01T13:45" << at(1930, 1, 1, 13, 45);
        QTest::newRow("blanks") << "\t12/07/26 " << at(2026, 12, 7);
        QTest::newRow("no leap day") << "02/29/2023" << QDateTime();
        QTest::newRow("month 13") << "13/01/26" << QDateTime();
        QTest::newRow("one-digit year") << "12/07/6" << QDateTime();
        QTest::newRow("dots") << "07.12.26" << QDateTime();
        QTest::newRow("iso short month") << "2026-1-07" << QDateTime();
        QTest::newRow("iso hour 24") << "2026-12-07 24:00" << QDateTime();
        QTest::newRow("words") << "yesterday" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    void parsesShortAndIsoTexts() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        COleDateTime date;
        QCOMPARE(date.ParseDateTime(text), expected.isValid());
        QCOMPARE(date.GetStatus(),
                 expected.isValid() ? COleDateTime::valid : COleDateTime::invalid);
        if (expected.isValid()) {
            QCOMPARE(date.GetDate(), expected.date());
            QCOMPARE(date.GetTime(), expected.time());
        }
    }

    void formatsInTheCLocale_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("%x") << "%x"
                            << "12/07/26";
        QTest::newRow("%X") << "%X"
                            << "09:05:03";
        QTest::newRow("%A %B") << "%A %B"
                               << "Monday December";
        QTest::newRow("%Y-%m-%d") << "%Y-%m-%d"
                                  << "2026-12-07";
    }
    void formatsInTheCLocale() {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(COleDateTime(2026, 12, 7, 9, 5, 3).Format(format), expected);
    }

    // Qt sets the user's locale at start-up; the "%x" texts stay the C locale's.
    void formatsAndParsesInTheCLocaleUnderAGermanLocale() {
        const QByteArray previous = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
            QSKIP("The de_DE.UTF-8 locale is not installed.");
        char german[64];
        std::tm parts{};
        parts.tm_year = 126;
        parts.tm_mon = 11;
        parts.tm_mday = 7;
        std::strftime(german, sizeof german, "%x", &parts);
        const COleDateTime date(2026, 12, 7, 0, 0, 0);
        const QString strShown = date.Format(QStringLiteral("%x"));
        const QString strDay = date.Format(QStringLiteral("%A"));
        COleDateTime parsed;
        const bool bParsed = parsed.ParseDateTime(QStringLiteral("12/07/26"));
        std::setlocale(LC_ALL, previous.constData());
        QCOMPARE(QString::fromUtf8(german), QStringLiteral("07.12.2026"));
        QCOMPARE(strShown, QStringLiteral("12/07/26"));
        QCOMPARE(strDay, QStringLiteral("Monday"));
        QVERIFY(bParsed);
        QCOMPARE(parsed.GetDate(), QDate(2026, 12, 7));
    }

    void valuesThatAreNoDate_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("date time")
            << QVariant(QDateTime(QDate(1930, 1, 1), QTime(13, 45), Qt::UTC)) << "01/01/30";
        QTest::newRow("date") << QVariant(QDate(2046, 2, 3)) << "02/03/46";
        QTest::newRow("text") << QVariant(QStringLiteral("2026-12-07 00:00:00")) << "12/07/26";
        QTest::newRow("null") << QVariant() << "Invalid DateTime";
        QTest::newRow("no date text") << QVariant(QStringLiteral("someday")) << "Invalid DateTime";
        QTest::newRow("number") << QVariant(45000) << "Invalid DateTime";
        QTest::newRow("invalid date") << QVariant(QDate()) << "Invalid DateTime";
    }
    void valuesThatAreNoDate() {
        QFETCH(QVariant, value);
        QFETCH(QString, shown);
        QCOMPARE(COleDateTime(value).Format(QStringLiteral("%x")), shown);
    }

    void aNullValueFormatsEmpty() {
        QCOMPARE(COleDateTime().GetStatus(), COleDateTime::null);
        QCOMPARE(COleDateTime().Format(QStringLiteral("%x")), QString());
        QCOMPARE(COleDateTime().FormatIso(), QString());
        QCOMPARE(COleDateTime(2026, 2, 30, 0, 0, 0).GetStatus(), COleDateTime::invalid);
        QCOMPARE(COleDateTime(1930, 1, 1, 13, 45, 0).FormatIso(),
                 QStringLiteral("1930-01-01 13:45:00"));
    }

    void theCurrentTimeIsToday() {
        const COleDateTime now = COleDateTime::GetCurrentTime();
        QCOMPARE(now.GetStatus(), COleDateTime::valid);
        QVERIFY(qAbs(now.GetDate().daysTo(QDate::currentDate())) <= 1);
    }
};

QTEST_GUILESS_MAIN(TestOleDateTime)
#include "tst_oledatetime.moc"
