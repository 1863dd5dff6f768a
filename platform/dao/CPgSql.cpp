#include "platform/dao/CPgSql.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CJetLike.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoSqlFunctions.h"

#include <QStringList>

namespace {

using Token = CSqlText::Token;

const QSet<QString> kKeywords = {
    QStringLiteral("select"),   QStringLiteral("from"),    QStringLiteral("where"),
    QStringLiteral("order"),    QStringLiteral("by"),      QStringLiteral("asc"),
    QStringLiteral("desc"),     QStringLiteral("limit"),   QStringLiteral("offset"),
    QStringLiteral("insert"),   QStringLiteral("into"),    QStringLiteral("values"),
    QStringLiteral("default"),  QStringLiteral("update"),  QStringLiteral("set"),
    QStringLiteral("delete"),   QStringLiteral("and"),     QStringLiteral("or"),
    QStringLiteral("not"),      QStringLiteral("is"),      QStringLiteral("null"),
    QStringLiteral("in"),       QStringLiteral("between"), QStringLiteral("as"),
    QStringLiteral("distinct"), QStringLiteral("true"),    QStringLiteral("false"),
    QStringLiteral("case"),     QStringLiteral("when"),    QStringLiteral("then"),
    QStringLiteral("else"),     QStringLiteral("end")};
const QSet<QString> kFunctions = {QStringLiteral("count"),   QStringLiteral("min"),
                                  QStringLiteral("max"),     QStringLiteral("sum"),
                                  QStringLiteral("lower"),   QStringLiteral("upper"),
                                  QStringLiteral("coalesce")};
constexpr QStringView kPassedSymbols = u"(),=<>!*+-/%|.";
// A transaction's lock that BEGIN IMMEDIATE takes: one writer of this kind
// at a time, as SQLite has one. The number is Corvane's own.
constexpr char kImmediateLock[] = "SELECT pg_advisory_xact_lock(2026071201)";

[[noreturn]] void Refuse(const QString& strWhat) {
    throw CDaoException(
        QStringLiteral("%1 is not available on a PostgreSQL database.").arg(strWhat));
}

// A solid token and whether blanks stood before it.
struct Item {
    Token token;
    bool bSpaceBefore;
};

// One statement's translation.
class Translator {
public:
    Translator(QStringView sql, QList<Item> items, const CPgSql::TableLookup& lookup,
               const QString& strCaseCollation)
        : m_sql(sql), m_items(std::move(items)), m_lookup(lookup),
          m_strCaseCollation(strCaseCollation) {}

    QList<CPgSql::Statement> Run() {
        const QString strFirst = Word(0);
        if (strFirst == u"begin")
            return Begin();
        if (strFirst == u"commit" || strFirst == u"end")
            return {Control(CPgSql::Statement::Commit, QStringLiteral("COMMIT"))};
        if (strFirst == u"rollback" && Word(1) != u"to")
            return {Control(CPgSql::Statement::Rollback, QStringLiteral("ROLLBACK"))};
        if (strFirst == u"rollback" || strFirst == u"savepoint" || strFirst == u"release")
            return {Savepoint(strFirst)};
        if (strFirst != u"select" && strFirst != u"insert" && strFirst != u"update" &&
            strFirst != u"delete")
            Refuse(QStringLiteral("The statement \"%1\"").arg(Text(0)));
        return {General()};
    }

private:
    QString Text(qsizetype i) const {
        if (i < 0 || i >= m_items.size())
            return QString();
        const Token& token = m_items[i].token;
        return m_sql.sliced(token.nBegin, token.nEnd - token.nBegin).toString();
    }
    // The token's word in lower case, or nothing when it is no word.
    QString Word(qsizetype i) const {
        if (i < 0 || i >= m_items.size() || m_items[i].token.kind != Token::Word)
            return QString();
        return CPgSql::FoldName(Text(i));
    }
    bool IsSymbol(qsizetype i, QChar ch) const {
        return i >= 0 && i < m_items.size() && m_items[i].token.kind == Token::Symbol &&
               m_sql[m_items[i].token.nBegin] == ch;
    }
    bool IsName(qsizetype i) const {
        return i >= 0 && i < m_items.size() &&
               (m_items[i].token.kind == Token::Word || m_items[i].token.kind == Token::QuotedName);
    }
    bool Adjacent(qsizetype i) const { return i < m_items.size() && !m_items[i].bSpaceBefore; }

    void Emit(const QString& strPiece, bool bSpaceBefore) {
        if (bSpaceBefore && !m_strOut.isEmpty())
            m_strOut += u' ';
        m_strOut += strPiece;
    }
    QString Constant(const QString& strText) {
        m_constants.append(CPgSql::TextParameter(strText));
        return QStringLiteral("$%1").arg(m_nCallerParameters + m_constants.size());
    }

    CPgSql::Statement Control(CPgSql::Statement::Kind kind, const QString& strText) const {
        CPgSql::Statement statement;
        statement.kind = kind;
        statement.strText = strText;
        return statement;
    }

    // BEGIN [DEFERRED | IMMEDIATE | EXCLUSIVE] [TRANSACTION]
    QList<CPgSql::Statement> Begin() const {
        QList<CPgSql::Statement> statements{
            Control(CPgSql::Statement::Begin, QStringLiteral("BEGIN"))};
        const QString strMode = Word(1);
        if (strMode == u"immediate" || strMode == u"exclusive")
            statements.append(
                Control(CPgSql::Statement::Other, QString::fromLatin1(kImmediateLock)));
        return statements;
    }

    // SAVEPOINT name, RELEASE [SAVEPOINT] name, ROLLBACK TO [SAVEPOINT] name
    CPgSql::Statement Savepoint(const QString& strFirst) const {
        const qsizetype nName =
            Word(1) == u"savepoint" || Word(1) == u"to" ? (Word(2) == u"savepoint" ? 3 : 2) : 1;
        if (!IsName(nName) || nName + 1 != m_items.size())
            Refuse(QStringLiteral("This form of %1").arg(strFirst.toUpper()));
        const QString strName =
            CPgSql::QuoteIdentifier(CSqlText::Name(m_sql, m_items[nName].token));
        if (strFirst == u"rollback")
            return Control(CPgSql::Statement::Other,
                           QStringLiteral("ROLLBACK TO SAVEPOINT ") + strName);
        if (strFirst == u"release")
            return Control(CPgSql::Statement::Other,
                           QStringLiteral("RELEASE SAVEPOINT ") + strName);
        return Control(CPgSql::Statement::Other, QStringLiteral("SAVEPOINT ") + strName);
    }

    CPgSql::Statement General() {
        FindTable();
        CountCallerParameters();
        for (qsizetype i = 0; i < m_items.size();)
            i = TranslateItem(i);
        CPgSql::Statement statement;
        statement.strText = m_strOut;
        statement.nCallerParameters = m_nCallerParameters;
        statement.constants = m_constants;
        statement.strKeyedInsertTable = m_strKeyedInsertTable;
        statement.strMissingTable = m_strMissingTable;
        return statement;
    }

    // The table after the first FROM, INTO or UPDATE.
    void FindTable() {
        for (qsizetype i = 0; i + 1 < m_items.size(); ++i) {
            const QString strWord = Word(i);
            if ((strWord == u"from" || strWord == u"into" || strWord == u"update") &&
                IsName(i + 1)) {
                const QString strTable = CSqlText::Name(m_sql, m_items[i + 1].token);
                m_pTable = m_lookup(strTable);
                if (m_pTable == nullptr)
                    m_strMissingTable = strTable;
                return;
            }
        }
    }

    // ?N is parameter N; a bare ? is one more than the highest before it.
    void CountCallerParameters() {
        for (qsizetype i = 0; i < m_items.size(); ++i) {
            if (IsSymbol(i, u'?'))
                m_nCallerParameters = std::max(
                    m_nCallerParameters, NumberedParameter(i).value_or(m_nCallerParameters + 1));
        }
    }
    std::optional<int> NumberedParameter(qsizetype i) const {
        if (i + 1 >= m_items.size() || !Adjacent(i + 1) ||
            m_items[i + 1].token.kind != Token::Number)
            return std::nullopt;
        bool bNumber = false;
        const int nIndex = Text(i + 1).toInt(&bNumber);
        if (!bNumber || nIndex < 1)
            Refuse(QStringLiteral("The parameter \"?%1\"").arg(Text(i + 1)));
        return nIndex;
    }

    // Translates the item at i (and what belongs to it); the next item to do.
    qsizetype TranslateItem(qsizetype i) {
        const Item& item = m_items[i];
        switch (item.token.kind) {
        case Token::Word:
            return TranslateWord(i);
        case Token::QuotedName:
            return TranslateName(i);
        case Token::String:
            Emit(Constant(StringAt(i)), item.bSpaceBefore);
            return i + 1;
        case Token::Number:
            Emit(Text(i), item.bSpaceBefore);
            return i + 1;
        case Token::Symbol:
            return TranslateSymbol(i);
        case Token::Space:
            break;
        }
        return i + 1;
    }

    qsizetype TranslateWord(qsizetype i) {
        const QString strWord = Word(i);
        if (strWord == u"not" && Word(i + 1) == u"like")
            return TranslateLike(i + 1, true);
        if (strWord == u"like")
            return TranslateLike(i, false);
        if (kKeywords.contains(strWord)) {
            if (strWord == u"set")
                m_bAssigning = true;
            else if (strWord == u"where")
                m_bAssigning = false;
            Emit(strWord.toUpper(), m_items[i].bSpaceBefore);
            return i + 1;
        }
        if (IsSymbol(i + 1, u'(') && Word(i - 1) != u"into")
            return TranslateFunction(i, strWord);
        return TranslateName(i);
    }

    qsizetype TranslateFunction(qsizetype i, const QString& strFunction) {
        if (strFunction == QLatin1String(kShownDateFunction)) {
            Emit(QStringLiteral("to_char("), m_items[i].bSpaceBefore);
            m_closers.append(QStringLiteral(", 'MM/DD/YY')"));
            return i + 2;
        }
        if (!kFunctions.contains(strFunction))
            Refuse(QStringLiteral("The function %1()").arg(Text(i)));
        Emit(strFunction, m_items[i].bSpaceBefore);
        return i + 1;
    }

    // A name as the catalog spells it. With the table known, a name that is
    // neither the table nor one of its fields is refused here, as SQLite
    // refuses it when it prepares the statement.
    QString Resolve(const QString& strName, qsizetype i) const {
        const QString strFolded = CPgSql::FoldName(strName);
        if (m_pTable == nullptr || Word(i - 1) == u"as")
            return strName;
        if (strFolded == CPgSql::FoldName(m_pTable->strName))
            return m_pTable->strName;
        if (const auto column = m_pTable->columns.constFind(strFolded);
            column != m_pTable->columns.cend())
            return column.value();
        if (strFolded == u"rowid" && !m_pTable->strKey.isEmpty())
            return m_pTable->strKey;
        throw CDaoException(QStringLiteral("column \"%1\" does not exist").arg(strName));
    }

    bool IsTextColumn(const QString& strResolved) const {
        return m_pTable != nullptr && m_pTable->textColumns.contains(strResolved);
    }

    qsizetype TranslateName(qsizetype i) {
        if (IsSymbol(i + 1, u'(') && Word(i - 1) != u"into")
            Refuse(QStringLiteral("The function %1()").arg(Text(i)));
        const QString strResolved = Resolve(CSqlText::Name(m_sql, m_items[i].token), i);
        if (m_bInsertColumns && m_pTable != nullptr && strResolved == m_pTable->strKey)
            m_strKeyedInsertTable = m_pTable->strName;
        if (Word(i - 1) == u"into" && IsSymbol(i + 1, u'('))
            m_bInsertColumns = true;
        const qsizetype nOperator = i + 1;
        const QString strOperator = ComparisonAt(nOperator);
        if (strOperator.isEmpty() || m_bAssigning || IsSymbol(i - 1, u'.') ||
            !IsTextColumn(strResolved)) {
            Emit(CPgSql::QuoteIdentifier(strResolved), m_items[i].bSpaceBefore);
            return i + 1;
        }
        // Letter case of ASCII letters aside, as SQLite's COLLATE NOCASE compares.
        Emit(Folded(CPgSql::QuoteIdentifier(strResolved)), m_items[i].bSpaceBefore);
        Emit(strOperator, m_items[nOperator].bSpaceBefore);
        return TranslateFoldedOperand(nOperator + OperatorLength(nOperator));
    }

    static QString Folded(const QString& strOperand) {
        return QStringLiteral("lower(%1 COLLATE \"C\")").arg(strOperand);
    }

    // "=", "==", "<>" or "!=" at i, as PostgreSQL writes it; empty for anything else.
    QString ComparisonAt(qsizetype i) const {
        if (IsSymbol(i, u'='))
            return QStringLiteral("=");
        if ((IsSymbol(i, u'<') && IsSymbol(i + 1, u'>') && Adjacent(i + 1)) ||
            (IsSymbol(i, u'!') && IsSymbol(i + 1, u'=') && Adjacent(i + 1)))
            return QStringLiteral("<>");
        return QString();
    }
    qsizetype OperatorLength(qsizetype i) const {
        if (IsSymbol(i, u'=') && IsSymbol(i + 1, u'=') && Adjacent(i + 1))
            return 2;
        return IsSymbol(i, u'=') ? 1 : 2;
    }

    // The right side of a folded comparison: a text, a parameter or a text field.
    qsizetype TranslateFoldedOperand(qsizetype i) {
        if (i >= m_items.size())
            return i;
        const Item& item = m_items[i];
        if (item.token.kind == Token::String) {
            Emit(Folded(Constant(StringAt(i)) + QStringLiteral("::text")), item.bSpaceBefore);
            return i + 1;
        }
        if (IsSymbol(i, u'?')) {
            const auto [strParameter, nNext] = Parameter(i);
            Emit(Folded(strParameter + QStringLiteral("::text")), item.bSpaceBefore);
            return nNext;
        }
        if (IsName(i) && !IsSymbol(i + 1, u'(') && !IsSymbol(i + 1, u'.')) {
            const QString strResolved = Resolve(CSqlText::Name(m_sql, item.token), i);
            if (IsTextColumn(strResolved)) {
                Emit(Folded(CPgSql::QuoteIdentifier(strResolved)), item.bSpaceBefore);
                return i + 1;
            }
        }
        return i;
    }

    // The parameter at i ("?" or "?N") as $N, and the item after it.
    std::pair<QString, qsizetype> Parameter(qsizetype i) {
        const std::optional<int> numbered = NumberedParameter(i);
        const int nIndex = numbered.value_or(m_nHighestParameter + 1);
        m_nHighestParameter = std::max(m_nHighestParameter, nIndex);
        return {QStringLiteral("$%1").arg(nIndex), i + (numbered ? 2 : 1)};
    }

    // [NOT] LIKE 'pattern' [ESCAPE 'c'] as a case-insensitive match of the
    // left side's text with the pattern's regular expression.
    qsizetype TranslateLike(qsizetype i, bool bNegated) {
        const qsizetype nPattern = i + 1;
        if (nPattern >= m_items.size() || m_items[nPattern].token.kind != Token::String)
            Refuse(QStringLiteral("LIKE with a pattern other than a quoted text"));
        const QString strPattern = StringAt(nPattern);
        char32_t chEscape = 0;
        qsizetype nNext = nPattern + 1;
        if (Word(nNext) == u"escape") {
            const QList<uint> escape = StringAt(nNext + 1).toUcs4();
            if (escape.size() != 1)
                throw CDaoException(QStringLiteral("ESCAPE expression must be a single character"));
            chEscape = escape.front();
            nNext += 2;
        }
        const CJetLike like(strPattern, chEscape);
        if (!like.IsValid())
            throw CDaoException(
                QStringLiteral("The LIKE pattern '%1' is not valid: each '[' needs its ']' and a "
                               "range such as [a-z] runs upwards.")
                    .arg(strPattern));
        m_strOut += QStringLiteral("::text");
        Emit(bNegated ? QStringLiteral("!~*") : QStringLiteral("~*"), true);
        QString strRegex = Constant(like.ToRegex()) + QStringLiteral("::text");
        if (!m_strCaseCollation.isEmpty())
            strRegex += QStringLiteral(" COLLATE ") + CPgSql::QuoteIdentifier(m_strCaseCollation);
        Emit(strRegex, true);
        return nNext;
    }

    // The text a quoted text stands for, its doubled quotes single.
    QString StringAt(qsizetype i) const {
        if (i >= m_items.size() || m_items[i].token.kind != Token::String)
            Refuse(QStringLiteral("ESCAPE with other than a quoted text"));
        const Token& token = m_items[i].token;
        if (token.nEnd - token.nBegin < 2 || m_sql[token.nEnd - 1] != u'\'')
            throw CDaoException(QStringLiteral("unrecognized token: \"%1\"").arg(Text(i)));
        return CSqlText::Name(m_sql, Token{Token::QuotedName, token.nBegin, token.nEnd});
    }

    qsizetype TranslateSymbol(qsizetype i) {
        const QChar ch = m_sql[m_items[i].token.nBegin];
        if (ch == u'?') {
            const auto [strParameter, nNext] = Parameter(i);
            Emit(strParameter, m_items[i].bSpaceBefore);
            return nNext;
        }
        if (ch == u'(') {
            m_closers.append(QStringLiteral(")"));
        } else if (ch == u')') {
            if (m_closers.isEmpty())
                Refuse(QStringLiteral("An unbalanced \")\""));
            m_bInsertColumns = false;
            Emit(m_closers.takeLast(), m_items[i].bSpaceBefore);
            return i + 1;
        } else if (!kPassedSymbols.contains(ch)) {
            Refuse(QStringLiteral("The symbol \"%1\"").arg(ch));
        }
        Emit(QString(ch), m_items[i].bSpaceBefore);
        return i + 1;
    }

    QStringView m_sql;
    QList<Item> m_items;
    const CPgSql::TableLookup& m_lookup;
    QString m_strCaseCollation;
    const CPgSql::Table* m_pTable = nullptr;
    QString m_strOut;
    int m_nCallerParameters = 0;
    int m_nHighestParameter = 0;
    QList<QByteArray> m_constants;
    QStringList m_closers;
    bool m_bAssigning = false;
    bool m_bInsertColumns = false;
    QString m_strKeyedInsertTable;
    QString m_strMissingTable;
};

// The solid tokens of each statement of sql.
QList<QList<Item>> Statements(QStringView sql) {
    QList<QList<Item>> statements(1);
    bool bSpace = false;
    for (const Token& token : CSqlText::Tokenize(sql)) {
        if (token.kind == Token::Space) {
            bSpace = true;
            continue;
        }
        if (token.kind == Token::Symbol && sql[token.nBegin] == u';')
            statements.append(QList<Item>());
        else
            statements.last().append(Item{token, bSpace});
        bSpace = false;
    }
    statements.removeIf([](const QList<Item>& items) { return items.isEmpty(); });
    return statements;
}

} // namespace

QList<CPgSql::Statement> CPgSql::Translate(const QString& strSql, const TableLookup& lookup,
                                           const QString& strCaseCollation) {
    QList<Statement> translated;
    for (QList<Item>& items : Statements(strSql))
        translated += Translator(strSql, std::move(items), lookup, strCaseCollation).Run();
    return translated;
}

QByteArray CPgSql::TextParameter(const QString& strText) {
    if (strText.contains(QChar(u'\0')))
        throw CDaoException(QStringLiteral("A text holds the zero character, which a "
                                           "PostgreSQL database cannot store."));
    return strText.toUtf8();
}

QString CPgSql::QuoteIdentifier(const QString& strName) {
    QString strQuoted = strName;
    strQuoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + strQuoted + u'"';
}

QString CPgSql::FoldName(const QString& strName) {
    QString strFolded = strName;
    for (QChar& ch : strFolded) {
        if (ch >= u'A' && ch <= u'Z')
            ch = QChar(ch.unicode() + (u'a' - u'A'));
    }
    return strFolded;
}
