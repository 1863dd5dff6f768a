#pragma once

#include "app/CCommandLine.h"

#include <memory>

class CContactMapping;
class CContactSource;

// Import and export for scripts and backups, on Addresses.mdb of the current
// folder: --import FILE [--template NAME] [--update] [--columns LIST] and
// --export FILE. They print the summary and exit non-zero when nothing could
// be done.
class CContactsCommandLine : public CCommandLine {
public:
    QList<CCommandLineOption> Options() const override;
    QStringList Synopsis() const override;
    QString Notes() const override;
    int Run(const CCommandLineArguments& arguments) override;

private:
    // The fields --columns names, in their order (empty for a column left
    // out). Throws CCommandLineError.
    static QStringList Columns(const QString& strList, const QString& strFile);
    static int Import(const QString& strFile, const QString& strTemplate, bool bUpdate,
                      const QStringList& columns);
    static std::unique_ptr<CContactSource> OpenSource(const QString& strFile,
                                                      const QStringList& columns);
    static QString ColumnsHint(const QString& strFile, CContactSource& source,
                               const CContactMapping& mapping);
    static int Export(const QString& strFile);
};
