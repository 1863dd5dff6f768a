#pragma once

#include "app/CCommandLine.h"

// corvane --sign-in: the sign-in with a code (RFC 8628) in a terminal, for
// the settings in force, on a machine without a desktop. It prints the
// address to open and the code to enter there, waits for the user, and keeps
// the refresh token as Mail Settings does. The exit status is 0 when signed
// in, 1 when not.
class CSignInCommandLine : public CCommandLine {
public:
    QList<CCommandLineOption> Options() const override;
    QStringList Synopsis() const override;
    QString Notes() const override;
    int Run(const CCommandLineArguments& arguments) override;
};
