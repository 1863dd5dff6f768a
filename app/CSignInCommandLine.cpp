#include "app/CSignInCommandLine.h"

#include "app/PrintLine.h"
#include "platform/oauth/CDeviceSignIn.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/settings/CProfileSettings.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kOption = QStringLiteral("--sign-in");

} // namespace

QList<CCommandLineOption> CSignInCommandLine::Options() const {
    return {{kOption, QString(),
             QStringLiteral("sign in with a code to the mail provider of the mail settings "
                            "(Auth=oauth2), e.g. on a machine without a desktop"),
             true}};
}

QStringList CSignInCommandLine::Synopsis() const {
    return {kOption};
}

QString CSignInCommandLine::Notes() const {
    return QStringLiteral(
        "The sign-in prints the address to open and the code to enter there, and\n"
        "waits; its exit status is 0 when signed in, 1 when not.");
}

int CSignInCommandLine::Run(const CCommandLineArguments&) {
    if (COAuthSettings::ReadAuth() != COAuthSettings::Auth::OAuth2) {
        PrintLine(stderr, QStringLiteral("Corvane signs in only for Auth=oauth2 in [MailSystem] of "
                                         "\"%1\"; it asks for a password now.")
                              .arg(QDir::toNativeSeparators(CProfileSettings::FilePath())));
        return 1;
    }
    const COAuthSettings settings = COAuthSettings::Read();
    CDeviceSignIn signIn(settings);
    QObject::connect(&signIn, &CDeviceSignIn::codeReady, QCoreApplication::instance(),
                     [&settings](const QString& strUserCode, const QString& strAddress) {
                         PrintLine(stdout,
                                   QStringLiteral("To sign in as %1 with %2, open %3 in a "
                                                  "browser on any device and enter the code "
                                                  "%4 there. Waiting...")
                                       .arg(settings.m_strUser, settings.ProviderName(), strAddress,
                                            strUserCode));
                     });
    int nExit = 1;
    QObject::connect(&signIn, &CSignIn::finished, QCoreApplication::instance(),
                     [&](const CSignInOutcome& outcome) {
                         const bool bSignedIn = outcome.eResult == CSignInOutcome::Result::SignedIn;
                         if (bSignedIn)
                             PrintLine(stdout, CTokenStore::SignedInText(settings.m_strUser,
                                                                         settings.ProviderName(),
                                                                         outcome.ePlace));
                         else
                             PrintLine(stderr, outcome.strProblem);
                         nExit = bSignedIn ? 0 : 1;
                         QCoreApplication::quit();
                     });
    // Started from the event loop, so that a sign-in that fails at once
    // still finds the loop to quit.
    QMetaObject::invokeMethod(&signIn, &CSignIn::Start, Qt::QueuedConnection);
    QCoreApplication::exec();
    return nExit;
}
