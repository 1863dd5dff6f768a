#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A program run to its end as a script runs it, in a folder of the test's
// choice, with no display: DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are
// taken out of the environment unless the test sets them in extra.
struct CProgramRun {
    int nExit = -1; // -1: it did not end in time; -2: it crashed
    QString strOut;
    QString strError;

    static CProgramRun Run(const QString& strProgram, const QStringList& arguments,
                           const QString& strFolder,
                           const QProcessEnvironment& extra = QProcessEnvironment());
};
