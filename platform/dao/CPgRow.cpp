#include "platform/dao/CPgRow.h"

#include <QString>
#include <cstdlib>

namespace {

// Type numbers of the server's catalog (pg_type.oid).
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kOid = 26;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

} // namespace

int CPgRow::ColumnCount() const {
    return m_row ? PQnfields(m_row.get()) : 0;
}

QVariant CPgRow::Column(int nIndex) const {
    return Value(m_row.get(), nIndex);
}

QVariant CPgRow::Value(const PGresult* pRow, int nIndex) {
    if (pRow == nullptr || nIndex < 0 || nIndex >= PQnfields(pRow) || PQgetisnull(pRow, 0, nIndex))
        return QVariant();
    const char* pValue = PQgetvalue(pRow, 0, nIndex);
    switch (PQftype(pRow, nIndex)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return qlonglong(std::strtoll(pValue, nullptr, 10));
    case kBool:
        return qlonglong(*pValue == 't' ? 1 : 0);
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return std::strtod(pValue, nullptr);
    default:
        return QString::fromUtf8(pValue, PQgetlength(pRow, 0, nIndex));
    }
}
