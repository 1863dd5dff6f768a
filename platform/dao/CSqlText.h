#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <functional>

// Reading and writing SQL text: tokens, identifiers and quoted texts.
class CSqlText {
public:
    struct Token {
        enum Kind { Space, String, Word, QuotedName, Number, Symbol };
        Kind kind;
        qsizetype nBegin;
        qsizetype nEnd;
    };

    static QList<Token> Tokenize(QStringView sql);

    // True when the token is the given keyword (or bare name), in any case.
    static bool IsWord(QStringView sql, const Token& token, QStringView word);
    // The name a Word or QuotedName token stands for.
    static QString Name(QStringView sql, const Token& token);
    // A name as SQL writes it: bare where SQLite accepts it, quoted otherwise.
    static QString QuoteName(const QString& strName);
    // The text with its single quotes doubled, for use between single quotes.
    static QString EscapeQuotes(const QString& strText);

    // Rewrites every "column [NOT] LIKE" whose column passes bIsTarget into
    // "strFunction(column) [NOT] LIKE".
    static QString WrapLikeOperands(const QString& strSql,
                                    const std::function<bool(const QString&)>& bIsTarget,
                                    const QString& strFunction);
};
