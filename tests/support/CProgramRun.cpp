#include "CProgramRun.h"

#include <QProcess>

CProgramRun CProgramRun::Run(const QString& strProgram, const QStringList& arguments,
                             const QString& strFolder, const QProcessEnvironment& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(pszName));
    environment.insert(extra);
    QProcess program;
    program.setWorkingDirectory(strFolder);
    program.setProcessEnvironment(environment);
    program.start(strProgram, arguments);
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2,
            QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
}
