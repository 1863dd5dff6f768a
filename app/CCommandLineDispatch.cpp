#include "app/CCommandLineDispatch.h"

#include "app/CCommandLineArguments.h"
#include "app/CCommandLineError.h"
#include "app/CContactsCommandLine.h"
#include "app/CCopyCommandLine.h"
#include "app/CSendCommandLine.h"
#include "app/CSignInCommandLine.h"
#include "app/PrintLine.h"
#include "platform/dao/CDaoException.h"
#include "platform/ui/MessageBoxes.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

const QString& HelpName() {
    static const QString strName = QStringLiteral("--help");
    return strName;
}

// Qt's own options, which Qt takes with one or two dashes: those followed by
// a value, those that take it after "=" (-style takes both), and switches.
bool IsQtOptionWithValue(const QString& strName) {
    static const QStringList names = {
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
        QStringLiteral("display"),         QStringLiteral("geometry"),
        QStringLiteral("style"),           QStringLiteral("stylesheet")};
    return names.contains(strName);
}

bool IsQtOptionWithInlineValue(const QString& strName) {
    static const QStringList names = {QStringLiteral("style"), QStringLiteral("stylesheet"),
                                      QStringLiteral("qmljsdebugger"), QStringLiteral("dialogs"),
                                      QStringLiteral("fontengine")};
    return names.contains(strName);
}

bool IsQtSwitch(const QString& strName) {
    static const QStringList names = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb"),
                                      QStringLiteral("sync")};
    return names.contains(strName);
}

// How many arguments Qt's option at arguments[i] takes, its value included;
// 0 when it is none of Qt's.
int QtOptionLength(const QStringList& arguments, qsizetype i) {
    QString strName = arguments[i];
    strName.remove(0, strName.startsWith(u"--") ? 2 : 1);
    if (const qsizetype nEquals = strName.indexOf(u'='); nEquals >= 0)
        return IsQtOptionWithInlineValue(strName.left(nEquals)) ? 1 : 0;
    if (IsQtSwitch(strName))
        return 1;
    if (IsQtOptionWithValue(strName))
        return i + 1 < arguments.size() ? 2 : 1;
    return 0;
}

bool IsOption(const QString& strArgument) {
    return strArgument.startsWith(u'-') && strArgument != u"-";
}

} // namespace

CCommandLineDispatch::CCommandLineDispatch() : CCommandLineDispatch([] {
    std::vector<std::unique_ptr<CCommandLine>> commands;
    commands.push_back(std::make_unique<CContactsCommandLine>());
    commands.push_back(std::make_unique<CCopyCommandLine>());
    commands.push_back(std::make_unique<CSendCommandLine>());
    commands.push_back(std::make_unique<CSignInCommandLine>());
    return commands;
}()) {}

CCommandLineDispatch::CCommandLineDispatch(std::vector<std::unique_ptr<CCommandLine>> commands)
    : m_commands(std::move(commands)) {
    for (const auto& pCommand : m_commands) {
        for (const CCommandLineOption& option : pCommand->Options())
            m_known.append({option, pCommand.get()});
    }
    m_known.append({{HelpName(), QString(), QStringLiteral("show this text"), true}, nullptr});
}

CCommandLineDispatch::~CCommandLineDispatch() = default;

int CCommandLineDispatch::Run(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    try {
        bool bFileNames = false;
        const CCommandLineArguments parsed = Parse(arguments, &bFileNames);
        if (parsed.IsEmpty())
            return kStartWindows;
        if (parsed.Has(HelpName())) {
            PrintLine(stdout, Usage());
            return 0;
        }
        CCommandLine* pCommand = CommandFor(parsed);
        if (bFileNames)
            throw CCommandLineError(
                QStringLiteral("Only options and their values go with %1.").arg(parsed.Names().front()));
        QCoreApplication application(argc, argv);
        // The store's boxes become lines on the error output.
        SetMessageBoxHandler([](const MessageBoxCall& call) {
            PrintLine(stderr, call.strText);
            return IDOK;
        });
        return pCommand->Run(parsed);
    } catch (const CCommandLineError& e) {
        PrintLine(stderr, e.Message() + u"\n\n" + Usage());
        return kUsageError;
    } catch (const CDaoException& e) {
        PrintLine(stderr, e.m_pErrorInfo->m_strDescription);
        return 1;
    }
}

CCommandLineArguments CCommandLineDispatch::Parse(const QStringList& arguments,
                                                  bool* pFileNames) const {
    CCommandLineArguments parsed;
    bool bOptionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& strArgument = arguments[i];
        if (bOptionsEnded || !IsOption(strArgument)) {
            *pFileNames = true;
            continue;
        }
        if (strArgument == u"--") {
            bOptionsEnded = true;
            continue;
        }
        if (const int nLength = QtOptionLength(arguments, i)) {
            i += nLength - 1;
            continue;
        }
        const QString strName = strArgument == u"-h" ? HelpName() : strArgument.section(u'=', 0, 0);
        const CCommandLineOption* pOption = Find(strName);
        if (pOption == nullptr)
            throw CCommandLineError(QStringLiteral("Unknown option \"%1\".").arg(strArgument));
        const bool bInline = strArgument.contains(u'=');
        if (pOption->strValue.isEmpty()) {
            if (bInline)
                throw CCommandLineError(QStringLiteral("%1 takes no value.").arg(strName));
            parsed.Add(strName);
        } else if (bInline) {
            parsed.Add(strName, strArgument.mid(strArgument.indexOf(u'=') + 1));
        } else if (i + 1 < arguments.size() && Find(arguments[i + 1]) == nullptr) {
            parsed.Add(strName, arguments[++i]);
        } else {
            throw CCommandLineError(QStringLiteral("%1 needs a value.").arg(strName));
        }
    }
    return parsed;
}

const CCommandLineOption* CCommandLineDispatch::Find(const QString& strName) const {
    for (const KnownOption& known : m_known) {
        if (known.option.strName == strName)
            return &known.option;
    }
    return nullptr;
}

// Options that only shape a command need that command; options of two
// commands never go together.
CCommandLine* CCommandLineDispatch::CommandFor(const CCommandLineArguments& arguments) const {
    QString strCommandOption;
    CCommandLine* pCommand = nullptr;
    for (const QString& strName : arguments.Names()) {
        for (const KnownOption& known : m_known) {
            if (known.option.strName != strName || !known.option.bNamesCommand)
                continue;
            if (pCommand != nullptr && pCommand != known.pCommand)
                throw CCommandLineError(QStringLiteral("%1 and %2 cannot be used together.")
                                            .arg(strCommandOption, strName));
            if (pCommand == nullptr)
                strCommandOption = strName;
            pCommand = known.pCommand;
        }
    }
    for (const QString& strName : arguments.Names()) {
        if (pCommand == nullptr)
            throw CCommandLineError(QStringLiteral("%1 is used only in: %2")
                                        .arg(strName, FormsWith(strName).join(QStringLiteral(" or "))));
        if (!Declares(pCommand, strName))
            throw CCommandLineError(
                QStringLiteral("%1 cannot be used with %2.").arg(strName, strCommandOption));
    }
    return pCommand;
}

QStringList CCommandLineDispatch::FormsWith(const QString& strName) const {
    QStringList forms;
    for (const auto& pCommand : m_commands) {
        if (!Declares(pCommand.get(), strName))
            continue;
        for (const QString& strForm : pCommand->Synopsis()) {
            if (strForm.contains(strName))
                forms.append(QStringLiteral("corvane ") + strForm);
        }
    }
    return forms;
}

bool CCommandLineDispatch::Declares(const CCommandLine* pCommand, const QString& strName) const {
    return std::any_of(m_known.cbegin(), m_known.cend(), [&](const KnownOption& known) {
        return known.pCommand == pCommand && known.option.strName == strName;
    });
}

QList<CCommandLineOption> CCommandLineDispatch::Options() const {
    QList<CCommandLineOption> options;
    for (const KnownOption& known : m_known)
        options.append(known.option);
    return options;
}

// The forms of every command, then their options with what each does, then
// what each prints and what its exit status means.
QString CCommandLineDispatch::Usage() const {
    QStringList forms = {QStringLiteral("[FILE]")};
    for (const auto& pCommand : m_commands)
        forms += pCommand->Synopsis();
    forms.append(HelpName());

    qsizetype nWidth = 0;
    for (const KnownOption& known : m_known)
        nWidth = qMax(nWidth, (known.option.strName + u' ' + known.option.strValue).size());

    QString strUsage = QStringLiteral("Usage: corvane ") + forms.join(QStringLiteral("\n       corvane "));
    strUsage += QStringLiteral("\n\nWithout options Corvane opens its window (a FILE is not opened).\n"
                               "The options run a command without a window:");
    const CCommandLine* pSection = m_known.isEmpty() ? nullptr : m_known.front().pCommand;
    for (const KnownOption& known : m_known) {
        if (known.pCommand != pSection)
            strUsage += u'\n';
        pSection = known.pCommand;
        const QString strOption = QString(known.option.strName + u' ' + known.option.strValue).trimmed();
        strUsage += QStringLiteral("\n  %1  %2").arg(strOption.leftJustified(nWidth), known.option.strHelp);
    }
    for (const auto& pCommand : m_commands)
        strUsage += u"\n\n" + pCommand->Notes();
    strUsage += QStringLiteral("\n\nOptions used wrongly end the program with exit status 2.");
    return strUsage;
}
