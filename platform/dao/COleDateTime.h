#pragma once

#include <QDate>
#include <QString>
#include <QTime>

class QVariant;

// A date and time without a time zone, as the address table holds them.
// Texts are read and written in the C locale whatever the process locale is,
// so "%x" is always MM/DD/YY.
class COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
    // A QDateTime or QDate is taken as it is, a text is parsed; anything else
    // (a null value included) gives an invalid date.
    explicit COleDateTime(const QVariant& value);

    static COleDateTime GetCurrentTime();

    // Reads the "%x" form (MM/DD/YY or MM/DD/YYYY) or ISO 8601 (YYYY-MM-DD,
    // optionally followed by a blank or a T and HH:MM or HH:MM:SS). Blanks
    // around the text are ignored. On failure the value becomes invalid.
    bool ParseDateTime(const QString& strText);

    // strftime with the C locale; "Invalid DateTime" for an invalid value and
    // the empty text for a null one.
    QString Format(const QString& strFormat) const;
    // "YYYY-MM-DD HH:MM:SS", the form the file stores; empty unless valid.
    QString FormatIso() const;

    DateTimeStatus GetStatus() const { return m_status; }
    QDate GetDate() const { return m_date; }
    QTime GetTime() const { return m_time; }

    // The year a two-digit year stands for: the one of the hundred years that
    // end twenty years after nCurrentYear.
    static int ExpandTwoDigitYear(int nTwoDigitYear, int nCurrentYear);

private:
    void SetValid(QDate date, QTime time);

    QDate m_date;
    QTime m_time;
    DateTimeStatus m_status = null;
};
