// Times mail as the program makes it. First the mail library the way the
// program uses it, loading, logging on, sending, logging off and unloading
// for each of 1,000 mails to aiosmtpd on 127.0.0.1, against Python's smtplib
// delivering the same 1,000 messages to the same server, one connection each.
// Then the network mode: a server that answers every command 20 ms late, as
// a provider across a network does, with STARTTLS and login; 200 mails
// through the program's own path (one SendMapiMail per row, as Send Mail
// calls it) against smtplib sending them the way a script does (per mail a
// connection, STARTTLS, login, the mail, QUIT). Then the assembly of 10,000
// preview blocks from one template that uses every placeholder and both
// keywords. Last Markdown: a 2 KB template with an image merged and rendered
// to HTML for 10,000 rows, against Python-Markdown rendering the same filled
// texts.

#include "CSmtpTestServer.h"
#include "CTestCertificates.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "views/Globals.h"
#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kMails = 1000;
constexpr int kNetworkMails = 200;
constexpr int kPreviews = 10000;
// The engine alone fills a template read once at least this often a second.
constexpr double kMinMergesPerSecond = 100000;
constexpr int kMarkdownRows = 10000;
constexpr double kMinMarkdownPerSecond = 20000;
constexpr double kMarkdownTargetRatio = 10;
constexpr double kTargetRatio = 1.5;
constexpr double kNetworkTargetRatio = 3.5;
const QString kReplyDelayMs = QStringLiteral("20");
const QString kUser = QStringLiteral("jane");
const QString kPassword = QStringLiteral("s3cret");

const QString kSender = QStringLiteral("Jane Doe <jane@example.com>");
const QString kRecipientName = QStringLiteral("Jürgen Müller");
const QString kRecipient = QStringLiteral("juergen@example.org");
const QString kSubject = QStringLiteral("Grüße für Jürgen");
const QString kBody = QStringLiteral("Lieber Jürgen,\n\nanbei die Unterlagen für das Treffen am "
                                     "Montag.\n\nViele Grüße\nJane\n");

bool ConfigureSmtp(int nPort) {
    using S = CProfileSettings;
    return S::WriteProfileValue(S::kSectionMailSystem, S::kKeyTransport, S::kTransportSmtp) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer,
                                QStringLiteral("smtp://127.0.0.1:%1").arg(nPort)) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender, kSender);
}

// Seconds for kMails rounds of load, logon, send, logoff, unload; negative
// when a mail failed.
double LibrarySeconds() {
    CTestMapiMessage message(kRecipientName, kRecipient.toUtf8(), kSubject, kBody);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMails; ++i) {
        CTestMailLibrary library;
        if (!library.IsUsable() || library.SendOne(message.Get()) != SUCCESS_SUCCESS)
            return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

// Seconds that a baseline script of this folder reported for its loop;
// negative when it failed.
double PythonSeconds(const QString& strScript, const QStringList& arrArguments) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(BENCH_SOURCE_DIR "/") + strScript} + arrArguments);
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "%s", python.readAllStandardError().constData());
        return -1;
    }
    bool bNumber = false;
    const double dSeconds = python.readAllStandardOutput().trimmed().toDouble(&bNumber);
    return bNumber ? dSeconds : -1;
}

// Seconds that smtplib's loop of nMails took, as the script measured it;
// negative when it failed. arrLogin: CA file, user and password, for
// STARTTLS and login.
double SmtplibSeconds(int nPort, int nMails, const QStringList& arrLogin = {}) {
    return PythonSeconds(QStringLiteral("bench_mail_baseline.py"),
                         QStringList{QString::number(nPort), QString::number(nMails), kSender,
                                     kRecipientName, kRecipient, kSubject, kBody} +
                             arrLogin);
}

bool BenchDelivery(const QString& strFolder) {
    CSmtpTestServer server(strFolder);
    if (!server.Start() || !ConfigureSmtp(server.Port())) {
        std::fprintf(stderr, "SMTP server did not start: %s\n", qPrintable(server.ErrorText()));
        return false;
    }
    const double dLibrary = LibrarySeconds();
    const double dSmtplib = SmtplibSeconds(server.Port(), kMails);
    if (dLibrary < 0 || dSmtplib < 0 || server.MessageCount() != 2 * kMails) {
        std::fprintf(stderr, "delivery failed\n");
        return false;
    }
    const double dRatio = dLibrary / dSmtplib;
    std::printf("%-58s %8.0f mails/s (%.2f s)\n",
                "libmapi32: load, logon, send, logoff, unload per mail", kMails / dLibrary,
                dLibrary);
    std::printf("%-58s %8.0f mails/s (%.2f s)\n", "Python smtplib: one connection per mail",
                kMails / dSmtplib, dSmtplib);
    std::printf("%-58s %8.2fx (target at most %.1fx) %s\n", "time of libmapi32 / time of smtplib",
                dRatio, kTargetRatio, dRatio <= kTargetRatio ? "met" : "MISSED");
    return true;
}

bool ConfigureNetwork(const CSmtpTestServer& server, const CTestCertificates& certificates) {
    using S = CProfileSettings;
    return S::WriteProfileValue(S::kSectionMail, S::kKeyMapi, 1) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyTransport, S::kTransportSmtp) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer,
                                server.Url(QStringLiteral("smtp"))) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyUser, kUser) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyPassword, kPassword) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeyCAFile, certificates.CaFile()) &&
           S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender, kSender);
}

// Seconds for kNetworkMails calls of SendMapiMail; negative when one failed.
double ProgramSeconds() {
    CAddressDatabase db;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kNetworkMails; ++i) {
        if (!db.SendMapiMail(kRecipientName, kRecipient, kSubject, kBody, QString()))
            return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

// Starts a server that answers each command kReplyDelayMs late, with
// STARTTLS and login, in strFolder.
bool StartSlowServer(CSmtpTestServer& server, const CTestCertificates& certificates) {
    return server.Start({QStringLiteral("--delay-ms"), kReplyDelayMs, QStringLiteral("--cert"),
                         certificates.ServerCertificate(), QStringLiteral("--key"),
                         certificates.ServerKey(), QStringLiteral("--user"), kUser,
                         QStringLiteral("--password"), kPassword},
                        QStringLiteral("scripted_smtp_server.py"));
}

bool BenchNetwork(const QString& strFolder) {
    CTestCertificates certificates;
    QDir().mkpath(strFolder + u"/certificates");
    CSmtpTestServer programServer(strFolder + u"/program");
    CSmtpTestServer smtplibServer(strFolder + u"/smtplib");
    if (!certificates.Generate(strFolder + u"/certificates") ||
        !StartSlowServer(programServer, certificates) ||
        !StartSlowServer(smtplibServer, certificates) ||
        !ConfigureNetwork(programServer, certificates)) {
        std::fprintf(stderr, "network bench set-up failed: %s%s\n",
                     qPrintable(certificates.ErrorText()), qPrintable(programServer.ErrorText()));
        return false;
    }
    qputenv("CORVANE_MAPI_LIBRARY", QFile::encodeName(CTestMailLibrary::Path()));
    QStringList arrFailures;
    SetMessageBoxHandler([&arrFailures](const MessageBoxCall& call) {
        arrFailures << call.strText;
        return IDOK;
    });
    const double dProgram = ProgramSeconds();
    const double dSmtplib = SmtplibSeconds(smtplibServer.Port(), kNetworkMails,
                                           {certificates.CaFile(), kUser, kPassword});
    if (dProgram < 0 || dSmtplib < 0 || programServer.MessageCount() != kNetworkMails ||
        smtplibServer.MessageCount() != kNetworkMails) {
        std::fprintf(stderr, "network delivery failed: %s\n", qPrintable(arrFailures.join(u"; ")));
        return false;
    }
    const double dRatio = dSmtplib / dProgram;
    std::printf("%-58s %8.1f mails/s (%.2f s, %d connections)\n",
                "SendMapiMail per row, 20 ms replies, STARTTLS, login", kNetworkMails / dProgram,
                dProgram, programServer.ConnectionCount());
    std::printf("%-58s %8.1f mails/s (%.2f s, %d connections)\n",
                "Python smtplib, a connection, STARTTLS, login per mail", kNetworkMails / dSmtplib,
                dSmtplib, smtplibServer.ConnectionCount());
    std::printf("%-58s %8.2fx (target at least %.1fx) %s\n",
                "mails/s of the program / mails/s of smtplib", dRatio, kNetworkTargetRatio,
                dRatio >= kNetworkTargetRatio ? "met" : "MISSED");
    return true;
}

bool WriteTemplate(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#SUBJECT Your order of #DATE, #PREFIX #NAME\r\n"
               "#PREFIX #NAME,\r\n\r\n"
               "thank you for your order of #DATE (today is #TODAY).\r\n"
               "Customer #MY_1, order #MY_2, items #MY_3, total #MY_4 (#MY_5).\r\n"
               "#ATTACHMENTS invoice.pdf, terms.txt\r\n"
               "Kind regards,\r\nJane\r\n");
    return true;
}

bool BenchAssembly(const QString& strFolder) {
    g_strStartDir = strFolder;
    if (!WriteTemplate(QDir(strFolder).filePath(QStringLiteral("order.txt"))))
        return false;
    CListCtrl list;
    const QStringList arrRow = {
        QStringLiteral("1"),          QStringLiteral("12/07/26"),      kRecipient,
        QStringLiteral("Dear Mr"),    QStringLiteral("Jürgen Müller"), QStringLiteral("order.txt"),
        QStringLiteral("C-1041"),     QStringLiteral("A-77812"),       QStringLiteral("3"),
        QStringLiteral("129.90 EUR"), QStringLiteral("paid")};
    for (int nColumn = 0; nColumn < arrRow.size(); ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    list.InsertItem(0, arrRow[0]);
    for (int nColumn = 1; nColumn < arrRow.size(); ++nColumn)
        list.SetItemText(0, nColumn, arrRow[nColumn]);

    CAddressDatabase db;
    QString strPreview;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kPreviews; ++i)
        db.AssembleMail(list, 0, &strPreview, false);
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    if (!strPreview.contains(QStringLiteral("Jürgen Müller")))
        return false;
    std::printf("%-58s %8.0f mails/s (%.2f s)\n", "AssembleMail: preview blocks from one template",
                kPreviews / dSeconds, dSeconds);
    return true;
}

// The engine's share of Preview Mail: the template's bytes, read once, filled
// with the row and turned into a preview block, without list or file.
bool BenchMerge(const QString& strFolder) {
    const std::optional<QByteArray> bytes =
        CMailTemplate::ReadFile(strFolder, QStringLiteral("order.txt"));
    if (!bytes)
        return false;
    CMailRow row;
    row.m_strDate = QStringLiteral("12/07/26");
    row.m_strEMail = kRecipient;
    row.m_strPrefix = QStringLiteral("Dear Mr");
    row.m_strName = QStringLiteral("Jürgen Müller");
    row.m_strTemplate = QStringLiteral("order.txt");
    row.m_arrMy = {QStringLiteral("C-1041"), QStringLiteral("A-77812"), QStringLiteral("3"),
                   QStringLiteral("129.90 EUR"), QStringLiteral("paid")};
    const QString strToday = CMailTemplate::Today();
    constexpr int kMerges = 100000;
    QString strPreview;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMerges; ++i)
        strPreview = CMailTemplate::Merge(row, *bytes, strToday).PreviewBlock();
    const double dRate = kMerges / (timer.nsecsElapsed() / 1e9);
    if (!strPreview.contains(QStringLiteral("Jürgen Müller")))
        return false;
    std::printf("%-58s %8.0f mails/s (target at least %.0f) %s\n",
                "CMailTemplate: preview blocks from the template's bytes", dRate,
                kMinMergesPerSecond, dRate >= kMinMergesPerSecond ? "met" : "MISSED");
    return true;
}

// About 2 KB of the Markdown a mailing uses: a logo from the start folder,
// headings, emphasis, a list, a quote, links and every placeholder.
QByteArray MarkdownTemplate() {
    QByteArray markdown = "#SUBJECT Your order of #DATE, #PREFIX #NAME\n"
                          "#ATTACHMENTS invoice.pdf\n"
                          "![Ostwick](logo.png)\n\n"
                          "# Thank you for your order, #PREFIX #NAME\n\n"
                          "We have received your order of **#DATE** (today is #TODAY) and "
                          "will ship it *within two days*.\n\n"
                          "## Your order\n\n"
                          "- Customer number: **#MY_1**\n"
                          "- Order number: `#MY_2`\n"
                          "- Items: #MY_3\n"
                          "- Total: **#MY_4** (#MY_5)\n\n"
                          "> Questions? Write to [our service](mailto:service@example.com) "
                          "or call us.\n\n";
    while (markdown.size() < 1800)
        markdown += "Our [catalogue](https://example.com/catalogue) has *new* items every "
                    "week, and our **newsletter** tells you first. Read it at "
                    "[example.com](https://example.com/news).\n\n";
    return markdown + "Kind regards,\nJane Doe\n";
}

CMailRow MarkdownRow(int i) {
    CMailRow row;
    row.m_strDate = QStringLiteral("12/07/26");
    row.m_strEMail = QStringLiteral("customer%1@example.org").arg(i);
    row.m_strPrefix = QStringLiteral("Dear Mr");
    row.m_strName = QStringLiteral("Jürgen Müller <%1>").arg(i);
    row.m_strTemplate = QStringLiteral("order.md");
    row.m_arrMy = {QStringLiteral("C-%1").arg(i), QStringLiteral("A-77812"), QStringLiteral("3"),
                   QStringLiteral("129.90 EUR"), QStringLiteral("paid")};
    return row;
}

// Seconds Python-Markdown took for the texts, as its script measured them;
// negative when it failed.
double PythonMarkdownSeconds(const QString& strFolder, const QStringList& arrTexts) {
    QFile file(QDir(strFolder).filePath(QStringLiteral("filled.json")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(QJsonArray::fromStringList(arrTexts)).toJson()) < 0)
        return -1;
    file.close();
    return PythonSeconds(QStringLiteral("bench_markdown_baseline.py"), {file.fileName()});
}

// The engine's whole share of a formatted mail: merged from the template's
// bytes and rendered with its image placed, row by row.
bool BenchMarkdown(const QString& strFolder) {
    QFile logo(QDir(strFolder).filePath(QStringLiteral("logo.png")));
    if (!logo.open(QIODevice::WriteOnly) || logo.write(QByteArray(4096, '\x7f')) < 0)
        return false;
    logo.close();
    const QByteArray markdown = MarkdownTemplate();
    const QString strToday = CMailTemplate::Today();
    QList<CMailRow> rows;
    for (int i = 0; i < kMarkdownRows; ++i)
        rows << MarkdownRow(i);
    QStringList arrFilled;
    CMarkdownRenderer renderer(strFolder);
    qsizetype nImages = 0;
    const std::clock_t nCpuStart = std::clock();
    QElapsedTimer timer;
    timer.start();
    for (const CMailRow& row : std::as_const(rows)) {
        const CMergedMail mail = CMailTemplate::Merge(row, markdown, strToday);
        nImages += renderer.Render(mail).m_images.size();
        arrFilled << mail.m_strBody;
    }
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    const double dCpuSeconds = double(std::clock() - nCpuStart) / CLOCKS_PER_SEC;
    const double dPython = PythonMarkdownSeconds(strFolder, arrFilled);
    if (nImages != kMarkdownRows || dPython < 0) {
        std::fprintf(stderr, "Markdown bench failed\n");
        return false;
    }
    const double dRate = kMarkdownRows / dSeconds;
    const double dRatio = dPython / dSeconds;
    std::printf("%-58s %8.0f mails/s (%.2f s, template %lld bytes; target at least %.0f) %s\n",
                "Markdown: merged and rendered with an image, per row", dRate, dSeconds,
                static_cast<long long>(markdown.size()), kMinMarkdownPerSecond,
                dRate >= kMinMarkdownPerSecond ? "met" : "MISSED");
    std::printf("%-58s %8.0f mails/s (%.2f s of processor time)\n",
                "Markdown: the same, by the processor time it took", kMarkdownRows / dCpuSeconds,
                dCpuSeconds);
    std::printf("%-58s %8.0f mails/s (%.2f s)\n", "Python-Markdown: the same filled texts",
                kMarkdownRows / dPython, dPython);
    std::printf("%-58s %8.2fx (target at least %.0fx) %s\n",
                "mails/s of the engine / mails/s of Python-Markdown", dRatio,
                kMarkdownTargetRatio, dRatio >= kMarkdownTargetRatio ? "met" : "MISSED");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    const bool bDelivered = BenchDelivery(dir.filePath(QStringLiteral("server")));
    const bool bNetwork = BenchNetwork(dir.filePath(QStringLiteral("network")));
    const bool bAssembled = BenchAssembly(dir.path()) && BenchMerge(dir.path());
    const bool bMarkdown = BenchMarkdown(dir.path());
    return bDelivered && bNetwork && bAssembled && bMarkdown ? 0 : 1;
}
