#include "platform/dao/CSqlText.h"

#include <sqlite3.h>

namespace {

bool IsNameStart(QChar ch) {
    return ch.isLetter() || ch == u'_' || ch.unicode() >= 0x80;
}

bool IsNamePart(QChar ch) {
    return IsNameStart(ch) || ch.isDigit() || ch == u'$';
}

// The end of a quoted run that starts at nPos with chOpen and closes with
// chClose; a doubled closing character stands for itself.
qsizetype QuotedEnd(QStringView sql, qsizetype nPos, QChar chClose, bool bDoubling) {
    for (qsizetype i = nPos + 1; i < sql.size(); ++i) {
        if (sql[i] != chClose)
            continue;
        if (bDoubling && i + 1 < sql.size() && sql[i + 1] == chClose) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return sql.size();
}

qsizetype CommentEnd(QStringView sql, qsizetype nPos) {
    if (sql[nPos + 1] == u'-') {
        const qsizetype nLineEnd = sql.indexOf(u'\n', nPos);
        return nLineEnd < 0 ? sql.size() : nLineEnd + 1;
    }
    const qsizetype nClose = sql.indexOf(u"*/", nPos + 2);
    return nClose < 0 ? sql.size() : nClose + 2;
}

CSqlText::Token NextToken(QStringView sql, qsizetype nPos) {
    using Token = CSqlText::Token;
    const QChar ch = sql[nPos];
    const QChar chNext = nPos + 1 < sql.size() ? sql[nPos + 1] : QChar();
    if (ch.isSpace()) {
        qsizetype nEnd = nPos + 1;
        while (nEnd < sql.size() && sql[nEnd].isSpace())
            ++nEnd;
        return {Token::Space, nPos, nEnd};
    }
    if ((ch == u'-' && chNext == u'-') || (ch == u'/' && chNext == u'*'))
        return {Token::Space, nPos, CommentEnd(sql, nPos)};
    if (ch == u'\'')
        return {Token::String, nPos, QuotedEnd(sql, nPos, u'\'', true)};
    if (ch == u'"' || ch == u'`')
        return {Token::QuotedName, nPos, QuotedEnd(sql, nPos, ch, true)};
    if (ch == u'[')
        return {Token::QuotedName, nPos, QuotedEnd(sql, nPos, u']', false)};
    if (IsNameStart(ch) || ch.isDigit()) {
        qsizetype nEnd = nPos + 1;
        while (nEnd < sql.size() && (IsNamePart(sql[nEnd]) || (ch.isDigit() && sql[nEnd] == u'.')))
            ++nEnd;
        return {ch.isDigit() ? Token::Number : Token::Word, nPos, nEnd};
    }
    return {Token::Symbol, nPos, nPos + 1};
}

// The index of the previous token that is not a blank, or -1.
qsizetype PreviousSolid(const QList<CSqlText::Token>& tokens, qsizetype nIndex) {
    for (qsizetype i = nIndex - 1; i >= 0; --i) {
        if (tokens[i].kind != CSqlText::Token::Space)
            return i;
    }
    return -1;
}

bool IsName(const CSqlText::Token& token) {
    return token.kind == CSqlText::Token::Word || token.kind == CSqlText::Token::QuotedName;
}

} // namespace

QList<CSqlText::Token> CSqlText::Tokenize(QStringView sql) {
    QList<Token> tokens;
    for (qsizetype nPos = 0; nPos < sql.size();) {
        tokens.append(NextToken(sql, nPos));
        nPos = tokens.last().nEnd;
    }
    return tokens;
}

bool CSqlText::IsWord(QStringView sql, const Token& token, QStringView word) {
    return token.kind == Token::Word &&
           sql.sliced(token.nBegin, token.nEnd - token.nBegin).compare(word, Qt::CaseInsensitive) ==
               0;
}

QString CSqlText::Name(QStringView sql, const Token& token) {
    const QStringView text = sql.sliced(token.nBegin, token.nEnd - token.nBegin);
    if (token.kind != Token::QuotedName || text.size() < 2)
        return text.toString();
    const QChar chOpen = text.front();
    QString strName = text.sliced(1, text.size() - 2).toString();
    if (chOpen != u'[')
        strName.replace(QString(2, chOpen), QString(chOpen));
    return strName;
}

QString CSqlText::QuoteName(const QString& strName) {
    const QByteArray utf8 = strName.toUtf8();
    bool bBare = !strName.isEmpty() && IsNameStart(strName.front()) &&
                 !sqlite3_keyword_check(utf8.constData(), int(utf8.size()));
    for (const QChar ch : strName)
        bBare = bBare && (ch.isLetterOrNumber() || ch == u'_') && ch.unicode() < 0x80;
    if (bBare)
        return strName;
    QString strQuoted = strName;
    strQuoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + strQuoted + u'"';
}

QString CSqlText::EscapeQuotes(const QString& strText) {
    QString strEscaped = strText;
    strEscaped.replace(u'\'', QStringLiteral("''"));
    return strEscaped;
}

QString CSqlText::WrapLikeOperands(const QString& strSql,
                                   const std::function<bool(const QString&)>& bIsTarget,
                                   const QString& strFunction) {
    const QList<Token> tokens = Tokenize(strSql);
    QString strResult;
    qsizetype nCopied = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (!IsWord(strSql, tokens[i], u"LIKE"))
            continue;
        qsizetype nOperand = PreviousSolid(tokens, i);
        if (nOperand >= 0 && IsWord(strSql, tokens[nOperand], u"NOT"))
            nOperand = PreviousSolid(tokens, nOperand);
        if (nOperand < 0 || !IsName(tokens[nOperand]) || !bIsTarget(Name(strSql, tokens[nOperand])))
            continue;
        // A qualified column (table.column) is wrapped whole.
        qsizetype nFirst = nOperand;
        const qsizetype nDot = PreviousSolid(tokens, nOperand);
        if (nDot >= 0 && tokens[nDot].kind == Token::Symbol &&
            strSql[tokens[nDot].nBegin] == u'.') {
            const qsizetype nTable = PreviousSolid(tokens, nDot);
            if (nTable >= 0 && IsName(tokens[nTable]))
                nFirst = nTable;
        }
        const qsizetype nBegin = tokens[nFirst].nBegin;
        const qsizetype nEnd = tokens[nOperand].nEnd;
        strResult += QStringView(strSql).sliced(nCopied, nBegin - nCopied) + strFunction + u'(' +
                     QStringView(strSql).sliced(nBegin, nEnd - nBegin) + u')';
        nCopied = nEnd;
    }
    return strResult + QStringView(strSql).sliced(nCopied);
}
