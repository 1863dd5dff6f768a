#include "platform/dao/DaoSqlFunctions.h"

#include "platform/dao/CJetLike.h"
#include "platform/dao/COleDateTime.h"

#include <QString>
#include <QVariant>
#include <algorithm>
#include <iterator>
#include <sqlite3.h>

namespace {

QString ValueText(sqlite3_value* pValue) {
    // The text first: asking for it may convert the value, which changes its length.
    const auto* pText = reinterpret_cast<const char*>(sqlite3_value_text(pValue));
    return QString::fromUtf8(pText, sqlite3_value_bytes(pValue));
}

void DeletePattern(void* pPattern) {
    delete static_cast<CJetLike*>(pPattern);
}

// like(pattern, text [, escape]): what "text LIKE pattern [ESCAPE escape]" calls.
void JetLike(sqlite3_context* pContext, int nArgs, sqlite3_value** ppArgs) {
    char32_t chEscape = 0;
    if (nArgs == 3) {
        const QList<uint> escape = ValueText(ppArgs[2]).toUcs4();
        if (escape.size() != 1) {
            sqlite3_result_error(pContext, "ESCAPE expression must be a single character", -1);
            return;
        }
        chEscape = escape.front();
    }
    if (sqlite3_value_type(ppArgs[0]) == SQLITE_NULL ||
        sqlite3_value_type(ppArgs[1]) == SQLITE_NULL)
        return;
    // The compiled pattern stays with the statement while the pattern is constant.
    auto* pPattern = static_cast<CJetLike*>(sqlite3_get_auxdata(pContext, 0));
    if (pPattern == nullptr || pPattern->Escape() != chEscape) {
        pPattern = new CJetLike(ValueText(ppArgs[0]), chEscape);
        sqlite3_set_auxdata(pContext, 0, pPattern, DeletePattern);
        pPattern = static_cast<CJetLike*>(sqlite3_get_auxdata(pContext, 0));
        if (pPattern == nullptr) {
            sqlite3_result_error_nomem(pContext);
            return;
        }
    }
    if (!pPattern->IsValid()) {
        const QByteArray message =
            QStringLiteral("The LIKE pattern '%1' is not valid: each '[' needs its ']' and a "
                           "range such as [a-z] runs upwards.")
                .arg(ValueText(ppArgs[0]))
                .toUtf8();
        sqlite3_result_error(pContext, message.constData(), int(message.size()));
        return;
    }
    const auto* pText = reinterpret_cast<const char*>(sqlite3_value_text(ppArgs[1]));
    sqlite3_result_int(pContext, pPattern->Match(pText, sqlite3_value_bytes(ppArgs[1])));
}

// Two decimal digits as a number; -1 unless both are digits.
int TwoDigits(const char* p) {
    const auto IsDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    return IsDigit(p[0]) && IsDigit(p[1]) ? (p[0] - '0') * 10 + (p[1] - '0') : -1;
}

// Counted as QDate counts them, so that the quick reading refuses exactly
// the days the general one does.
int DaysInMonth(int nYear, int nMonth) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bLeap = nYear % 4 == 0 && (nYear % 100 != 0 || nYear % 400 == 0);
    return nMonth == 2 && bLeap ? 29 : kDays[nMonth - 1];
}

bool IsStoredDay(const char* p) {
    const int nCentury = TwoDigits(p);
    const int nYearOfCentury = TwoDigits(p + 2);
    if (nCentury < 0 || nYearOfCentury < 0 || p[4] != '-' || p[7] != '-')
        return false;
    const int nYear = nCentury * 100 + nYearOfCentury;
    const int nMonth = TwoDigits(p + 5);
    const int nDay = TwoDigits(p + 8);
    return nYear > 0 && nMonth >= 1 && nMonth <= 12 && nDay >= 1 &&
           nDay <= DaysInMonth(nYear, nMonth);
}

// " HH:MM" or " HH:MM:SS" (or with a T) after the day, or nothing.
bool IsStoredTime(const char* p, int nBytes) {
    if (nBytes == 0)
        return true;
    const bool bShape = (nBytes == 6 || (nBytes == 9 && p[6] == ':')) &&
                        (p[0] == ' ' || p[0] == 'T') && p[3] == ':';
    if (!bShape)
        return false;
    const int nHour = TwoDigits(p + 1);
    const int nMinute = TwoDigits(p + 4);
    const int nSecond = nBytes == 9 ? TwoDigits(p + 7) : 0;
    return nHour >= 0 && nHour < 24 && nMinute >= 0 && nMinute < 60 && nSecond >= 0 && nSecond < 60;
}

// The table reads every row's date through here during a Find, and the
// general reading costs Qt objects per row; the form the file stores is cut
// into MM/DD/YY directly. Any other text is left to the general reading.
bool SliceStoredDate(const char* p, int nBytes, char (&shown)[8]) {
    if (nBytes < 10 || !IsStoredDay(p) || !IsStoredTime(p + 10, nBytes - 10))
        return false;
    const char slices[8] = {p[5], p[6], '/', p[8], p[9], '/', p[2], p[3]};
    std::copy(std::begin(slices), std::end(slices), shown);
    return true;
}

void ShownDate(sqlite3_context* pContext, int, sqlite3_value** ppArgs) {
    const int nType = sqlite3_value_type(ppArgs[0]);
    if (nType == SQLITE_NULL)
        return;
    if (nType == SQLITE_TEXT) {
        // The text first, as in ValueText.
        const auto* pText = reinterpret_cast<const char*>(sqlite3_value_text(ppArgs[0]));
        char quick[8];
        if (pText != nullptr && SliceStoredDate(pText, sqlite3_value_bytes(ppArgs[0]), quick)) {
            sqlite3_result_text(pContext, quick, int(sizeof quick), SQLITE_TRANSIENT);
            return;
        }
    }
    const QVariant stored = nType == SQLITE_TEXT ? QVariant(ValueText(ppArgs[0])) : QVariant();
    const QByteArray shown = COleDateTime(stored).Format(QStringLiteral("%x")).toUtf8();
    sqlite3_result_text(pContext, shown.constData(), int(shown.size()), SQLITE_TRANSIENT);
}

} // namespace

int RegisterDaoFunctions(sqlite3* pDb) {
    const int nFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int nResult =
        sqlite3_create_function(pDb, "like", 2, nFlags, nullptr, JetLike, nullptr, nullptr);
    if (nResult == SQLITE_OK)
        nResult =
            sqlite3_create_function(pDb, "like", 3, nFlags, nullptr, JetLike, nullptr, nullptr);
    if (nResult == SQLITE_OK)
        nResult = sqlite3_create_function(pDb, kShownDateFunction, 1, nFlags, nullptr, ShownDate,
                                          nullptr, nullptr);
    return nResult;
}
