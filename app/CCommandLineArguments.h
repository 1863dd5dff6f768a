#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The options given on the command line, in their order, each with its value
// (empty for a switch). Each option is given at most once.
class CCommandLineArguments {
public:
    // Throws CCommandLineError when the option was given already.
    void Add(const QString& strName, const QString& strValue = QString());

    bool IsEmpty() const { return m_options.isEmpty(); }
    bool Has(const QString& strName) const;
    // The option's value; empty when it was not given.
    QString Value(const QString& strName) const;
    QStringList Names() const;

private:
    QList<std::pair<QString, QString>> m_options;
};
