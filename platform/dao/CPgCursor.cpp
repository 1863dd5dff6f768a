#include "platform/dao/CPgCursor.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CPgEngine.h"
#include "platform/dao/CPgRow.h"

namespace {

std::optional<QByteArray> ParameterText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return std::nullopt;
    case QMetaType::Bool:
        return QByteArray(value.toBool() ? "1" : "0");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toByteArray();
    case QMetaType::Double:
        return QByteArray::number(value.toDouble(), 'g', 17);
    default:
        break;
    }
    return CPgSql::TextParameter(value.toString());
}

} // namespace

CPgCursor::CPgCursor(std::weak_ptr<CPgEngine> pEngine, CPgSql::Statement statement)
    : m_pEngine(std::move(pEngine)), m_statement(std::move(statement)),
      m_parameters(m_statement.nCallerParameters) {}

CPgCursor::~CPgCursor() {
    Reset();
}

void CPgCursor::Bind(int nIndex, const QVariant& value) {
    if (nIndex < 1 || nIndex > m_parameters.size())
        throw CDaoException(QStringLiteral("column index out of range"));
    m_parameters[nIndex - 1] = ParameterText(value);
}

bool CPgCursor::Step() {
    const std::shared_ptr<CPgEngine> pEngine = Engine();
    m_row.reset();
    if (!m_bRunning) {
        if (!pEngine->Send(this, m_statement, m_parameters))
            return false;
        m_bRunning = true;
        m_bSetAsideToEnd = false;
    }
    if (!m_setAside.empty()) {
        m_row = std::move(m_setAside.front());
        m_setAside.pop_front();
        return true;
    }
    if (m_setAsideError) {
        m_bRunning = false;
        std::rethrow_exception(std::exchange(m_setAsideError, nullptr));
    }
    if (m_bSetAsideToEnd) {
        m_bRunning = false;
        return false;
    }
    return NextRow(*pEngine);
}

bool CPgCursor::NextRow(CPgEngine& engine) {
    try {
        m_row = engine.NextRow(this);
    } catch (...) {
        m_bRunning = false;
        throw;
    }
    m_bRunning = m_row != nullptr;
    return m_bRunning;
}

void CPgCursor::Reset() {
    if (m_bRunning) {
        if (const std::shared_ptr<CPgEngine> pEngine = m_pEngine.lock())
            pEngine->Abandon(this);
    }
    m_bRunning = false;
    m_setAside.clear();
    m_bSetAsideToEnd = false;
    m_setAsideError = nullptr;
    m_row.reset();
}

int CPgCursor::ColumnCount() const {
    return m_row ? PQnfields(m_row.get()) : 0;
}

QVariant CPgCursor::Column(int nIndex) const {
    return CPgRow::Value(m_row.get(), nIndex);
}

std::unique_ptr<CDaoRow> CPgCursor::TakeRow() {
    return std::make_unique<CPgRow>(std::move(m_row));
}

QByteArrayView CPgCursor::ColumnUtf8(int nIndex) const {
    if (!m_row || nIndex < 0 || nIndex >= PQnfields(m_row.get()))
        return QByteArrayView();
    return QByteArrayView(PQgetvalue(m_row.get(), 0, nIndex), PQgetlength(m_row.get(), 0, nIndex));
}

void CPgCursor::SetAside(CPgEngine& engine) {
    try {
        while (PgResult row = engine.NextRow(this))
            m_setAside.push_back(std::move(row));
        m_bSetAsideToEnd = true;
    } catch (...) {
        m_setAsideError = std::current_exception();
    }
}

std::shared_ptr<CPgEngine> CPgCursor::Engine() const {
    std::shared_ptr<CPgEngine> pEngine = m_pEngine.lock();
    if (!pEngine)
        throw CDaoException(QStringLiteral("The database is not open."));
    return pEngine;
}
