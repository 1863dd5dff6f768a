#pragma once

#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>

// The lines that the test providers (and the tests' own message-box observer)
// append to one file: "name<TAB>value", with backslash, line feed, carriage
// return and tab escaped in the value.
class MapiRecord {
public:
    explicit MapiRecord(const QString& strPath) {
        QFile file(strPath);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QList<QByteArray> arrLines = file.readAll().split('\n');
        for (const QByteArray& line : arrLines) {
            const qsizetype nTab = line.indexOf('\t');
            if (nTab >= 0)
                m_arrEntries.append({QString::fromUtf8(line.left(nTab)),
                                     Unescaped(QString::fromUtf8(line.mid(nTab + 1)))});
        }
    }

    static void Append(const QString& strPath, const QString& strName, const QString& strValue) {
        QFile file(strPath);
        if (file.open(QIODevice::Append))
            file.write((strName + u'\t' + Escaped(strValue) + u'\n').toUtf8());
    }

    // The names of the entries in their order ("load", "logon", "send", ...).
    QStringList Names() const {
        QStringList arrNames;
        for (const auto& entry : m_arrEntries)
            arrNames += entry.first;
        return arrNames;
    }

    QStringList Values(const QString& strName) const {
        QStringList arrValues;
        for (const auto& entry : m_arrEntries)
            if (entry.first == strName)
                arrValues += entry.second;
        return arrValues;
    }

    QString Value(const QString& strName) const {
        const QStringList arrValues = Values(strName);
        return arrValues.isEmpty() ? QStringLiteral("(absent)") : arrValues.first();
    }

private:
    static QString Escaped(QString strText) {
        return strText.replace(u'\\', QStringLiteral("\\\\"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\t', QStringLiteral("\\t"));
    }

    static QString Unescaped(const QString& strText) {
        QString strResult;
        for (qsizetype i = 0; i < strText.size(); ++i) {
            if (strText[i] != u'\\' || i + 1 == strText.size()) {
                strResult += strText[i];
                continue;
            }
            const QChar next = strText[++i];
            strResult += next == u'n'   ? QChar(u'\n')
                         : next == u'r' ? QChar(u'\r')
                         : next == u't' ? QChar(u'\t')
                                        : next;
        }
        return strResult;
    }

    QList<QPair<QString, QString>> m_arrEntries;
};
