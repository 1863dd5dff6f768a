#pragma once

// corvane --sign-in: the sign-in with a code (RFC 8628) in a terminal, for
// the settings in force, on a machine without a desktop. It prints the
// address to open and the code to enter there, waits for the user, and keeps
// the refresh token as Mail Settings does. The exit status is 0 when signed
// in, 1 when not, 2 for wrong options.
class CSignInCommandLine {
public:
    static constexpr int kNotACommand = -1;
    static constexpr int kUsageError = 2;

    // The exit status, or kNotACommand when the arguments do not ask for
    // the sign-in.
    static int Run(int argc, char* argv[]);

private:
    static int SignIn(int argc, char* argv[]);
};
