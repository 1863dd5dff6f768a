#include "platform/dao/COleDateTime.h"

#include <QDateTime>
#include <QVariant>
#include <clocale>
#include <ctime>
#include <locale.h>

namespace {

// Reads a text from left to right, one expected part at a time.
class DateReader {
public:
    explicit DateReader(QStringView text) : m_text(text.trimmed()) {}

    bool AtEnd() const { return m_nPos == m_text.size(); }

    bool Take(QChar ch) {
        if (AtEnd() || m_text[m_nPos] != ch)
            return false;
        ++m_nPos;
        return true;
    }

    // Reads between nMin and nMax decimal digits; -1 when there are fewer.
    int Number(int nMin, int nMax) {
        int nValue = 0;
        int nDigits = 0;
        while (nDigits < nMax && !AtEnd() && m_text[m_nPos] >= u'0' && m_text[m_nPos] <= u'9') {
            nValue = nValue * 10 + (m_text[m_nPos].unicode() - u'0');
            ++nDigits;
            ++m_nPos;
        }
        return nDigits >= nMin ? nValue : -1;
    }

    int Digits() const {
        int nDigits = 0;
        while (m_nPos + nDigits < m_text.size() && m_text[m_nPos + nDigits] >= u'0' &&
               m_text[m_nPos + nDigits] <= u'9')
            ++nDigits;
        return nDigits;
    }

private:
    QStringView m_text;
    qsizetype m_nPos = 0;
};

QDate ReadShortDate(DateReader& reader) {
    const int nMonth = reader.Number(1, 2);
    if (nMonth < 0 || !reader.Take(u'/'))
        return {};
    const int nDay = reader.Number(1, 2);
    if (nDay < 0 || !reader.Take(u'/'))
        return {};
    const int nYearDigits = reader.Digits();
    if (nYearDigits != 2 && nYearDigits != 4)
        return {};
    int nYear = reader.Number(nYearDigits, nYearDigits);
    if (nYearDigits == 2)
        nYear = COleDateTime::ExpandTwoDigitYear(nYear, QDate::currentDate().year());
    return QDate(nYear, nMonth, nDay);
}

QDate ReadIsoDate(DateReader& reader) {
    const int nYear = reader.Number(4, 4);
    if (nYear < 0 || !reader.Take(u'-'))
        return {};
    const int nMonth = reader.Number(2, 2);
    if (nMonth < 0 || !reader.Take(u'-'))
        return {};
    const int nDay = reader.Number(2, 2);
    return nDay < 0 ? QDate() : QDate(nYear, nMonth, nDay);
}

// HH:MM or HH:MM:SS; midnight when the text ends after the date.
QTime ReadIsoTime(DateReader& reader) {
    if (reader.AtEnd())
        return QTime(0, 0);
    if (!reader.Take(u' ') && !reader.Take(u'T'))
        return {};
    const int nHour = reader.Number(2, 2);
    if (nHour < 0 || !reader.Take(u':'))
        return {};
    const int nMinute = reader.Number(2, 2);
    int nSecond = 0;
    if (reader.Take(u':'))
        nSecond = reader.Number(2, 2);
    if (nMinute < 0 || nSecond < 0 || !reader.AtEnd())
        return {};
    return QTime(nHour, nMinute, nSecond);
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

} // namespace

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
    SetValid(QDate(nYear, nMonth, nDay), QTime(nHour, nMin, nSec));
}

COleDateTime::COleDateTime(const QVariant& value) {
    m_status = invalid;
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        SetValid(dateTime.date(), dateTime.time());
        break;
    }
    case QMetaType::QDate:
        SetValid(value.toDate(), QTime(0, 0));
        break;
    case QMetaType::QString:
        ParseDateTime(value.toString());
        break;
    default:
        break;
    }
}

COleDateTime COleDateTime::GetCurrentTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QTime time = now.time();
    COleDateTime result;
    result.SetValid(now.date(), QTime(time.hour(), time.minute(), time.second()));
    return result;
}

bool COleDateTime::ParseDateTime(const QString& strText) {
    DateReader shortReader(strText);
    const QDate shortDate = ReadShortDate(shortReader);
    if (shortDate.isValid() && shortReader.AtEnd()) {
        SetValid(shortDate, QTime(0, 0));
        return true;
    }
    DateReader isoReader(strText);
    const QDate isoDate = ReadIsoDate(isoReader);
    SetValid(isoDate, isoDate.isValid() ? ReadIsoTime(isoReader) : QTime());
    return m_status == valid;
}

QString COleDateTime::Format(const QString& strFormat) const {
    if (m_status == null)
        return QString();
    if (m_status != valid)
        return QStringLiteral("Invalid DateTime");
    std::tm parts{};
    parts.tm_year = m_date.year() - 1900;
    parts.tm_mon = m_date.month() - 1;
    parts.tm_mday = m_date.day();
    parts.tm_hour = m_time.hour();
    parts.tm_min = m_time.minute();
    parts.tm_sec = m_time.second();
    parts.tm_wday = m_date.dayOfWeek() % 7;
    parts.tm_yday = m_date.dayOfYear() - 1;
    parts.tm_isdst = -1;
    char buffer[128];
    const size_t nLength =
        strftime_l(buffer, sizeof buffer, strFormat.toUtf8().constData(), &parts, CLocale());
    return QString::fromUtf8(buffer, qsizetype(nLength));
}

QString COleDateTime::FormatIso() const {
    if (m_status != valid)
        return QString();
    return m_date.toString(Qt::ISODate) + u' ' + m_time.toString(Qt::ISODate);
}

int COleDateTime::ExpandTwoDigitYear(int nTwoDigitYear, int nCurrentYear) {
    const int nLastYear = nCurrentYear + 20;
    return nLastYear - ((nLastYear - nTwoDigitYear) % 100 + 100) % 100;
}

void COleDateTime::SetValid(QDate date, QTime time) {
    m_date = date;
    m_time = time;
    m_status = date.isValid() && time.isValid() ? valid : invalid;
}
