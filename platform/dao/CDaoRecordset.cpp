#include "platform/dao/CDaoRecordset.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoEngine.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/COleDateTime.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoSqlFunctions.h"

#include <QStringList>
#include <algorithm>

namespace {

[[noreturn]] void ThrowNoCurrentRecord() {
    throw CDaoException(QStringLiteral("No current record."));
}

[[noreturn]] void ThrowNotEditing() {
    throw CDaoException(QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
}

[[noreturn]] void ThrowRecordDeleted() {
    throw CDaoException(QStringLiteral("Record is deleted."));
}

[[noreturn]] void ThrowNoSuchField(const QString& strField) {
    throw CDaoException(QStringLiteral("The recordset has no field '%1'.").arg(strField));
}

// A line break before each closing parenthesis keeps a trailing "--" comment
// from swallowing it.
QString Parenthesised(const QString& strCondition) {
    return u'(' + strCondition + QStringLiteral("\n)");
}

} // namespace

CDaoRecordset::CDaoRecordset(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoRecordset::~CDaoRecordset() {
    Close();
}

void CDaoRecordset::Open(int nOpenType, const QString& strSql, int /*nOptions*/) {
    Close();
    CDaoDatabase::RequireOpen(m_pDatabase);
    if (nOpenType != AFX_DAO_USE_DEFAULT_TYPE && nOpenType != dbOpenDynaset)
        throw CDaoException(QStringLiteral("Only dynaset recordsets are supported."));
    if (!m_select.Parse(strSql))
        throw CDaoException(QStringLiteral("A recordset reads one table: SELECT * FROM table "
                                           "[WHERE condition] [ORDER BY fields]; \"%1\" has "
                                           "another form.")
                                .arg(strSql));
    LoadFields();
    m_strWhere = WithShownDates(m_select.m_strWhere);
    m_stream = m_pDatabase->Prepare(SelectSql(m_strWhere), true);
    m_bOpen = true;
    m_pending = Pending::First;
}

bool CDaoRecordset::IsOpen() const {
    return m_bOpen;
}

void CDaoRecordset::Close() {
    m_stream = CDaoStatement();
    m_bOpen = false;
    m_fields.clear();
    m_fieldIndexes.clear();
    m_bStreamOnCurrent = false;
    m_nStreamIndex = -1;
    m_pending = Pending::None;
    m_nAccessed = 0;
    m_pRow.reset();
    m_savedChanges.clear();
    m_bHaveRow = false;
    m_bDeleted = false;
    m_bBOF = m_bEOF = true;
    CancelEdit();
}

bool CDaoRecordset::IsBOF() {
    RequireOpen();
    Resolve();
    return m_bBOF;
}

bool CDaoRecordset::IsEOF() {
    RequireOpen();
    Resolve();
    return m_bEOF;
}

void CDaoRecordset::MoveFirst() {
    RequireOpen();
    CancelEdit();
    m_pending = Pending::First;
    Resolve();
    if (!m_bHaveRow)
        ThrowNoCurrentRecord();
}

void CDaoRecordset::MoveNext() {
    RequireOpen();
    CancelEdit();
    Resolve();
    if (m_bEOF)
        ThrowNoCurrentRecord();
    if (!m_bStreamOnCurrent)
        FindStreamRow();
    if (m_bStreamOnCurrent)
        StepStream();
}

// The count comes from the database; the last record itself is read only when it
// is used.
void CDaoRecordset::MoveLast() {
    RequireOpen();
    CancelEdit();
    LeaveStream();
    const long nCount = CountRecords();
    m_bHaveRow = false;
    m_bBOF = m_bEOF = nCount == 0;
    if (nCount == 0) {
        m_pending = Pending::None;
        ThrowNoCurrentRecord();
    }
    m_pending = Pending::Last;
    m_nLastOffset = nCount - 1;
    m_nAccessed = nCount;
}

long CDaoRecordset::GetRecordCount() {
    RequireOpen();
    if (m_pending == Pending::First)
        Resolve();
    return m_nAccessed;
}

bool CDaoRecordset::FindFirst(const QString& strCriteria) {
    RequireOpen();
    CancelEdit();
    CDaoStatement find =
        m_pDatabase->Prepare(SelectSql(Condition(strCriteria)) + QStringLiteral(" LIMIT 1"), false);
    if (!find.Step())
        return false;
    LeaveStream();
    TakeRow(find);
    m_pending = Pending::None;
    m_bBOF = m_bEOF = false;
    return true;
}

bool CDaoRecordset::Find(int nFindType, const QString& strCriteria) {
    if (nFindType != AFX_DAO_FIRST)
        throw CDaoException(QStringLiteral("Find supports only AFX_DAO_FIRST."));
    return FindFirst(strCriteria);
}

void CDaoRecordset::AddNew() {
    RequireOpen();
    CancelEdit();
    m_editMode = EditMode::Add;
}

void CDaoRecordset::Edit() {
    RequireOpen();
    CancelEdit();
    RequireCurrent();
    m_editMode = EditMode::Edit;
}

void CDaoRecordset::SetFieldValue(const QString& strName, const QString& strValue) {
    RequireOpen();
    if (m_editMode == EditMode::None)
        ThrowNotEditing();
    const int nField = RequireField(strName);
    const CDaoField& field = m_fields[nField];
    // The table shows a date as "%x", which drops the century and the time;
    // saving that text back must not move the date.
    if (m_editMode == EditMode::Edit && field.IsDate() &&
        strValue == COleDateTime(RowValue(nField + 1)).Format(QStringLiteral("%x"))) {
        m_changes.remove(nField);
        return;
    }
    m_changes.insert(nField, field.StoredValue(strValue));
}

void CDaoRecordset::Update() {
    RequireOpen();
    if (m_editMode == EditMode::None)
        ThrowNotEditing();
    if (m_editMode == EditMode::Add)
        InsertRecord();
    else if (!m_changes.isEmpty())
        UpdateRecord();
    CancelEdit();
}

void CDaoRecordset::Delete() {
    RequireOpen();
    CancelEdit();
    RequireCurrent();
    DeleteRecord();
    m_bDeleted = true;
}

QVariant CDaoRecordset::GetFieldValue(const QString& strName) {
    return GetFieldValue(RequireField(strName));
}

QVariant CDaoRecordset::GetFieldValue(int nIndex) {
    RequireOpen();
    if (nIndex < 0 || nIndex >= m_fields.size())
        ThrowNoSuchField(QString::number(nIndex));
    RequireCurrent();
    return m_fields[nIndex].FieldValue(RowValue(nIndex + 1));
}

short CDaoRecordset::GetFieldCount() const {
    return short(m_fields.size());
}

void CDaoRecordset::RequireOpen() const {
    if (!m_bOpen)
        throw CDaoException(QStringLiteral("The recordset is not open."));
}

void CDaoRecordset::RequireCurrent() {
    Resolve();
    if (!m_bHaveRow)
        ThrowNoCurrentRecord();
    if (m_bDeleted)
        ThrowRecordDeleted();
}

void CDaoRecordset::LoadFields() {
    m_fields = m_pDatabase->TableFields(m_select.m_strTable);
    for (int nField = 0; nField < m_fields.size(); ++nField)
        m_fieldIndexes.insert(m_fields[nField].m_strName.toLower(), nField);
}

int CDaoRecordset::FieldIndex(const QString& strName) const {
    return m_fieldIndexes.value(strName.toLower(), -1);
}

int CDaoRecordset::RequireField(const QString& strName) const {
    const int nField = FieldIndex(strName);
    if (nField < 0)
        ThrowNoSuchField(strName);
    return nField;
}

QString CDaoRecordset::WithShownDates(const QString& strCondition) const {
    if (!strCondition.contains(QStringLiteral("like"), Qt::CaseInsensitive))
        return strCondition;
    return CSqlText::WrapLikeOperands(
        strCondition,
        [this](const QString& strColumn) {
            const int nField = FieldIndex(strColumn);
            return nField >= 0 && m_fields[nField].IsDate();
        },
        QString::fromLatin1(kShownDateFunction));
}

QString CDaoRecordset::Condition(const QString& strCriteria) const {
    const QString strCriteriaSql = WithShownDates(strCriteria);
    if (m_strWhere.isEmpty())
        return strCriteriaSql;
    return Parenthesised(m_strWhere) + QStringLiteral(" AND ") + Parenthesised(strCriteriaSql);
}

QString CDaoRecordset::SelectSql(const QString& strCondition) const {
    QString strSql = QStringLiteral("SELECT rowid, * FROM ") + m_select.m_strFrom;
    if (!strCondition.isEmpty())
        strSql += QStringLiteral(" WHERE ") + Parenthesised(strCondition);
    if (!m_select.m_strOrderBy.isEmpty())
        strSql += QStringLiteral(" ORDER BY ") + m_select.m_strOrderBy;
    return strSql;
}

long CDaoRecordset::CountRecords() {
    QString strSql = QStringLiteral("SELECT count(*) FROM ") + m_select.m_strFrom;
    if (!m_strWhere.isEmpty())
        strSql += QStringLiteral(" WHERE ") + Parenthesised(m_strWhere);
    CDaoStatement count = m_pDatabase->Prepare(strSql, true);
    count.Step();
    return long(count.Column(0).toLongLong());
}

void CDaoRecordset::Resolve() {
    if (m_pending == Pending::First)
        ResolveFirst();
    else if (m_pending == Pending::Last)
        ResolveLast();
    m_pending = Pending::None;
}

void CDaoRecordset::ResolveFirst() {
    m_stream.Reset();
    m_nStreamIndex = -1;
    m_bHaveRow = false;
    m_bBOF = m_bEOF = true;
    StepStream();
    m_bBOF = m_bEOF = !m_bHaveRow;
}

// Without an order the last record is the one with the highest rowid; with
// one, the database skips to it.
void CDaoRecordset::ResolveLast() {
    const bool bOrdered = !m_select.m_strOrderBy.isEmpty();
    const QString strSql =
        SelectSql(m_strWhere) + (bOrdered ? QStringLiteral(" LIMIT 1 OFFSET ?1")
                                          : QStringLiteral(" ORDER BY rowid DESC LIMIT 1"));
    CDaoStatement last = m_pDatabase->Prepare(strSql, true);
    if (bOrdered)
        last.Bind(1, qlonglong(m_nLastOffset));
    const bool bFound = last.Step();
    if (bFound)
        TakeRow(last);
    m_bHaveRow = bFound;
    m_bBOF = m_bEOF = !bFound;
}

// The row is kept as the engine hands it over: a table's fill reads each
// value once, so converting it only then saves a copy of every value.
void CDaoRecordset::TakeRow(CDaoStatement& statement) {
    m_pRow = statement.TakeRow();
    m_savedChanges.clear();
    m_bHaveRow = true;
    m_bDeleted = false;
}

QVariant CDaoRecordset::RowValue(int nColumn) const {
    if (const auto saved = m_savedChanges.constFind(nColumn); saved != m_savedChanges.cend())
        return saved.value();
    return m_pRow ? m_pRow->Column(nColumn) : QVariant();
}

// The stream no longer gives the current record: release its read lock.
void CDaoRecordset::LeaveStream() {
    m_stream.Reset();
    m_bStreamOnCurrent = false;
    m_nStreamIndex = -1;
}

void CDaoRecordset::StepStream() {
    if (m_stream.Step()) {
        TakeRow(m_stream);
        m_bStreamOnCurrent = true;
        ++m_nStreamIndex;
        m_nAccessed = std::max(m_nAccessed, m_nStreamIndex + 1);
        m_bBOF = false;
        return;
    }
    m_stream.Reset();
    m_bStreamOnCurrent = false;
    m_bHaveRow = false;
    m_bEOF = true;
}

// After a find or MoveLast the stream is read again up to the current
// record, so that MoveNext goes on from there; a record that has gone since
// leaves the recordset at its end.
void CDaoRecordset::FindStreamRow() {
    const QVariant rowid = RowValue(0);
    m_stream.Reset();
    m_nStreamIndex = -1;
    while (m_stream.Step()) {
        ++m_nStreamIndex;
        if (m_stream.Column(0) == rowid) {
            m_bStreamOnCurrent = true;
            return;
        }
    }
    m_stream.Reset();
    m_bHaveRow = false;
    m_bEOF = true;
}

void CDaoRecordset::CancelEdit() {
    m_editMode = EditMode::None;
    m_changes.clear();
}

void CDaoRecordset::InsertRecord() {
    QStringList columns;
    for (auto it = m_changes.cbegin(); it != m_changes.cend(); ++it)
        columns.append(CSqlText::QuoteName(m_fields[it.key()].m_strName));
    const QString strSql =
        columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_select.m_strFrom)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(m_select.m_strFrom, columns.join(QStringLiteral(", ")),
                       QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    CDaoStatement insert = m_pDatabase->Prepare(strSql, true);
    int nParameter = 0;
    for (const QVariant& value : std::as_const(m_changes))
        insert.Bind(++nParameter, value);
    insert.Step();
}

void CDaoRecordset::UpdateRecord() {
    QStringList assignments;
    for (auto it = m_changes.cbegin(); it != m_changes.cend(); ++it)
        assignments.append(CSqlText::QuoteName(m_fields[it.key()].m_strName) +
                           QStringLiteral(" = ?"));
    CDaoStatement update =
        m_pDatabase->Prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                 .arg(m_select.m_strFrom, assignments.join(QStringLiteral(", "))),
                             true);
    int nParameter = 0;
    for (const QVariant& value : std::as_const(m_changes))
        update.Bind(++nParameter, value);
    update.Bind(++nParameter, RowValue(0));
    update.Step();
    if (ChangedRows() == 0)
        ThrowRecordDeleted();
    for (auto it = m_changes.cbegin(); it != m_changes.cend(); ++it)
        m_savedChanges.insert(it.key() + 1, it.value());
}

void CDaoRecordset::DeleteRecord() {
    CDaoStatement erase = m_pDatabase->Prepare(
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(m_select.m_strFrom), true);
    erase.Bind(1, RowValue(0));
    erase.Step();
    if (ChangedRows() == 0)
        ThrowRecordDeleted();
}

qint64 CDaoRecordset::ChangedRows() const {
    return CDaoDatabase::RequireOpen(m_pDatabase).ChangedRows();
}
