#include "platform/dao/DaoSqlFunctions.h"

#include "platform/dao/CJetLike.h"
#include "platform/dao/COleDateTime.h"

#include <QString>
#include <QVariant>
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

void ShownDate(sqlite3_context* pContext, int, sqlite3_value** ppArgs) {
    const int nType = sqlite3_value_type(ppArgs[0]);
    if (nType == SQLITE_NULL)
        return;
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
