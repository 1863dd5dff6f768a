#include "app/CCommandLineArguments.h"

#include "app/CCommandLineError.h"

void CCommandLineArguments::Add(const QString& strName, const QString& strValue) {
    if (Has(strName))
        throw CCommandLineError(QStringLiteral("%1 is given twice.").arg(strName));
    m_options.append({strName, strValue});
}

bool CCommandLineArguments::Has(const QString& strName) const {
    return Names().contains(strName);
}

QString CCommandLineArguments::Value(const QString& strName) const {
    for (const auto& [strOption, strValue] : m_options) {
        if (strOption == strName)
            return strValue;
    }
    return QString();
}

QStringList CCommandLineArguments::Names() const {
    QStringList names;
    for (const auto& option : m_options)
        names.append(option.first);
    return names;
}
