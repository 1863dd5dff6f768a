#include "platform/dao/CDaoSelect.h"

#include "platform/dao/CSqlText.h"

namespace {

using Token = CSqlText::Token;

QList<Token> SolidTokens(QStringView sql) {
    QList<Token> tokens = CSqlText::Tokenize(sql);
    tokens.removeIf([](const Token& token) { return token.kind == Token::Space; });
    return tokens;
}

bool IsSymbol(QStringView sql, const Token& token, QChar ch) {
    return token.kind == Token::Symbol && sql[token.nBegin] == ch;
}

QString Span(QStringView sql, qsizetype nBegin, qsizetype nEnd) {
    return sql.sliced(nBegin, nEnd - nBegin).trimmed().toString();
}

} // namespace

bool CDaoSelect::Parse(const QString& strSql) {
    const QStringView sql(strSql);
    QList<Token> tokens = SolidTokens(sql);
    if (!tokens.isEmpty() && IsSymbol(sql, tokens.last(), u';'))
        tokens.removeLast();
    if (tokens.size() < 4 || !CSqlText::IsWord(sql, tokens[0], u"SELECT") ||
        !IsSymbol(sql, tokens[1], u'*') || !CSqlText::IsWord(sql, tokens[2], u"FROM") ||
        (tokens[3].kind != Token::Word && tokens[3].kind != Token::QuotedName))
        return false;
    m_strTable = CSqlText::Name(sql, tokens[3]);
    m_strFrom = CSqlText::QuoteName(m_strTable);
    m_strWhere.clear();
    m_strOrderBy.clear();
    const qsizetype nEnd = tokens.size() > 4 ? tokens.last().nEnd : tokens[3].nEnd;
    qsizetype nWhere = -1;
    qsizetype nOrder = -1;
    int nDepth = 0;
    for (qsizetype i = 4; i < tokens.size(); ++i) {
        if (IsSymbol(sql, tokens[i], u'('))
            ++nDepth;
        else if (IsSymbol(sql, tokens[i], u')'))
            --nDepth;
        else if (nDepth == 0 && i == 4 && CSqlText::IsWord(sql, tokens[i], u"WHERE"))
            nWhere = i;
        else if (nDepth == 0 && nOrder < 0 && i + 1 < tokens.size() &&
                 CSqlText::IsWord(sql, tokens[i], u"ORDER") &&
                 CSqlText::IsWord(sql, tokens[i + 1], u"BY"))
            nOrder = i;
        else if (nDepth == 0 && IsSymbol(sql, tokens[i], u';'))
            return false;
    }
    if (tokens.size() > 4 && nWhere < 0 && nOrder != 4)
        return false;
    if (nWhere >= 0) {
        const qsizetype nWhereEnd = nOrder >= 0 ? tokens[nOrder].nBegin : nEnd;
        m_strWhere = Span(sql, tokens[nWhere].nEnd, nWhereEnd);
        if (m_strWhere.isEmpty())
            return false;
    }
    if (nOrder >= 0) {
        m_strOrderBy = Span(sql, tokens[nOrder + 1].nEnd, nEnd);
        if (m_strOrderBy.isEmpty())
            return false;
    }
    return true;
}
