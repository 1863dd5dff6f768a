#pragma once

#include "app/CCommandLine.h"

// Moving the address book in and out of a team's server: --copy-to URL
// copies Addresses.mdb of the current folder into the server's empty table,
// --copy-from URL copies the server's table into a new Addresses.mdb of the
// current folder. Each copies all or nothing, prints what it did, and exits
// with status 1 when it could not.
class CCopyCommandLine : public CCommandLine {
public:
    QList<CCommandLineOption> Options() const override;
    QStringList Synopsis() const override;
    QString Notes() const override;
    // Throws CCommandLineError when both options are given.
    int Run(const CCommandLineArguments& arguments) override;

private:
    static int CopyTo(const QString& strUrl);
    static int CopyFrom(const QString& strUrl);
};
