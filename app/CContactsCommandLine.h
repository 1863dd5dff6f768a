#pragma once

#include "app/CCommandLine.h"

// Import and export for scripts and backups, on Addresses.mdb of the current
// folder: --import FILE [--template NAME] [--update] and --export FILE. They
// print the summary and exit non-zero when nothing could be done.
class CContactsCommandLine : public CCommandLine {
public:
    QList<CCommandLineOption> Options() const override;
    QStringList Synopsis() const override;
    QString Notes() const override;
    int Run(const CCommandLineArguments& arguments) override;

private:
    static int Import(const QString& strFile, const QString& strTemplate, bool bUpdate);
    static int Export(const QString& strFile);
};
