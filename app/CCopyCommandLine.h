#pragma once

#include <QStringList>

// Moving the address book in and out of a team's server, run before any
// window is made: --copy-to URL copies Addresses.mdb of the current folder
// into the server's empty table, --copy-from URL copies the server's table
// into a new Addresses.mdb of the current folder. Each copies all or
// nothing, prints what it did, and exits non-zero when it could not.
class CCopyCommandLine {
public:
    static constexpr int kNotACommand = -1;
    static constexpr int kUsageError = 2;

    // The exit code, or kNotACommand when the arguments hold neither option.
    static int Run(int argc, char* argv[]);

private:
    static int Dispatch(const QStringList& arguments);
    static int CopyTo(const QString& strUrl);
    static int CopyFrom(const QString& strUrl);
};
