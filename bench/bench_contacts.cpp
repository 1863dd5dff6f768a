// Imports a 100,000-row CSV file into an empty Addresses.mdb and exports it
// again, and sets both against plain SQLite on the same schema: the same
// inserts in one transaction with a prepared statement, fed by a plain line
// split of the same file, and a plain read of all rows written out as lines.
// Prints the times, their ratios (limit 2x) and the process's memory peak
// (limit 100 MB: the file is streamed, not held whole). Then imports a 50 MB
// file and prints its time and peak.
//
// Then the hostile files, each set against a well-formed file of the same
// kind and size imported in the same run: a CSV line of 20 MB holding 10
// million fields, one of 100 MB, and vCards with a quoted-printable NOTE of
// 4 MB and of 8 MB (soft line breaks every 76 characters). Each import runs
// in a process of its own, this program started again with --import-one
// FILE, so that its memory peak is its own. Each prints its time and peak
// (limits: 200 MB; the 8 MB NOTE under a second; the time no more than the
// well-formed file's).

#include "engine/contacts/CContactExport.h"
#include "engine/contacts/CContactImport.h"
#include "engine/contacts/CContactSource.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace {

constexpr int kRows = 100000;
constexpr qint64 kBigFileBytes = 50LL * 1024 * 1024;
constexpr int kRuns = 3;
constexpr qint64 kMegabyte = 1024 * 1024;

constexpr char kInsertSql[] =
    "INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, MY_5) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kSelectSql[] = "SELECT * FROM ADDRESSES ORDER BY ID_Address";

QByteArray Row(int nRow) {
    return QStringLiteral("%1,2026-12-07 10:00:00,person%1@example.com,Ms,Person %1 Müller,"
                          "Offer.txt,first note,second note,third,fourth,fifth note\r\n")
        .arg(nRow)
        .toUtf8();
}

// Writes rows until the file has nRows rows or nBytes bytes.
void WriteCsv(const QString& strPath, int nRows, qint64 nBytes) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(strPath));
    file.write("ID_Address,Date,EMail,Prefix,Name,Template,MY_1,MY_2,MY_3,MY_4,MY_5\r\n");
    for (int nRow = 1; (nRows == 0 || nRow <= nRows) && (nBytes == 0 || file.size() < nBytes); ++nRow)
        file.write(Row(nRow));
}

// The process's peak resident memory so far, in MB.
double PeakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

// A header, one line of fields "a,a,a,..." of nBytes bytes, and a good row.
void WriteLongLine(const QString& strPath, qint64 nBytes) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(strPath));
    file.write("EMail,Name\r\n");
    const QByteArray block = QByteArray("a,").repeated(int(kMegabyte / 2));
    for (qint64 nWritten = 0; nWritten < nBytes; nWritten += block.size())
        file.write(block);
    file.write("a\r\nlast@example.com,Last\r\n");
}

// Cards until the file has nBytes bytes: with nNoteBytes, one card whose
// NOTE is that long in quoted-printable lines; else plain cards.
void WriteVCards(const QString& strPath, qint64 nBytes, qint64 nNoteBytes) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(strPath));
    if (nNoteBytes > 0) {
        file.write("BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Long Note\r\nEMAIL:note@example.com\r\n"
                   "NOTE;ENCODING=QUOTED-PRINTABLE:");
        const QByteArray line = QByteArray("Gr=C3=BC=C3=9Fe ").repeated(4) + QByteArray(11, 'n') + "=\r\n";
        QByteArray lines;
        while (lines.size() < kMegabyte)
            lines += line;
        for (qint64 nWritten = 0; nWritten < nNoteBytes; nWritten += lines.size())
            file.write(lines);
        file.write("end\r\nEND:VCARD\r\n");
    }
    for (int nCard = 1; file.size() < nBytes; ++nCard)
        file.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Person;Card %1;;Ms.;\r\n"
                                  "FN:Card %1 Person\r\nEMAIL;TYPE=INTERNET:card%1@example.com\r\n"
                                  "NOTE:a note of some length for card %1\r\nEND:VCARD\r\n")
                       .arg(nCard)
                       .toUtf8());
}

// A fresh folder with an empty Addresses.mdb made by the store.
std::unique_ptr<QTemporaryDir> EmptyStore() {
    auto pDir = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(pDir->path());
    CAddressDatabase db;
    if (!db.OpenOrCreate())
        qFatal("cannot create the store");
    return pDir;
}

double Seconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

double Best(const std::function<double()>& run) {
    double dBest = run();
    for (int i = 1; i < kRuns; ++i)
        dBest = std::min(dBest, run());
    return dBest;
}

int ImportWithProgram(const QString& strCsv) {
    CAddressDatabase db;
    db.OpenOrCreate();
    const std::unique_ptr<CContactSource> pSource = CContactSource::Open(strCsv);
    CImportOptions options;
    options.mapping = CContactMapping::Recognise(pSource->Headers());
    return CContactImport(db.m_pCDaoDatabase.get(), db.m_schema).Run(*pSource, options).m_nAdded;
}

int ExportWithProgram(const QString& strOut) {
    CAddressDatabase db;
    db.OpenOrCreate();
    return CContactExport(db.m_pCDaoDatabase.get(), db.m_schema).Run(strOut);
}

void Exec(sqlite3* pDb, const char* pszSql) {
    if (sqlite3_exec(pDb, pszSql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s: %s", pszSql, sqlite3_errmsg(pDb));
}

// The baseline import: each line split at its commas, the ten texts bound to
// one prepared INSERT, all in one transaction.
int ImportWithSqlite(const QString& strCsv) {
    sqlite3* pDb = nullptr;
    sqlite3_open_v2("Addresses.mdb", &pDb, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* pInsert = nullptr;
    sqlite3_prepare_v2(pDb, kInsertSql, -1, &pInsert, nullptr);
    QFile file(strCsv);
    file.open(QIODevice::ReadOnly);
    file.readLine();
    Exec(pDb, "BEGIN IMMEDIATE");
    int nRows = 0;
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine(), ++nRows) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        for (int i = 1; i < fields.size(); ++i)
            sqlite3_bind_text(pInsert, i, fields[i].constData(), int(fields[i].size()), SQLITE_TRANSIENT);
        if (sqlite3_step(pInsert) != SQLITE_DONE)
            qFatal("insert: %s", sqlite3_errmsg(pDb));
        sqlite3_reset(pInsert);
    }
    Exec(pDb, "COMMIT");
    sqlite3_finalize(pInsert);
    sqlite3_close_v2(pDb);
    return nRows;
}

// The baseline export: every row read and written as its texts joined by commas.
int ExportWithSqlite(const QString& strOut) {
    sqlite3* pDb = nullptr;
    sqlite3_open_v2("Addresses.mdb", &pDb, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* pSelect = nullptr;
    sqlite3_prepare_v2(pDb, kSelectSql, -1, &pSelect, nullptr);
    QFile file(strOut);
    file.open(QIODevice::WriteOnly);
    int nRows = 0;
    QByteArray line;
    for (; sqlite3_step(pSelect) == SQLITE_ROW; ++nRows) {
        line.clear();
        for (int i = 0; i < sqlite3_column_count(pSelect); ++i) {
            if (i > 0)
                line += ',';
            line += reinterpret_cast<const char*>(sqlite3_column_text(pSelect, i));
        }
        line += "\r\n";
        file.write(line);
    }
    sqlite3_finalize(pSelect);
    sqlite3_close_v2(pDb);
    return nRows;
}

struct Figure {
    double dSeconds = 0;
    double dPeak = 0;
};

// The child's part: imports a file into an empty store and prints the time
// and the memory peak.
int ImportOne(const QString& strPath) {
    const auto pStore = EmptyStore();
    const double dSeconds = Seconds([&] { ImportWithProgram(strPath); });
    std::printf("%f %f\n", dSeconds, PeakMegabytes());
    QDir::setCurrent(QDir::tempPath());
    return 0;
}

Figure ImportFigure(const QString& strPath) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--import-one"), strPath});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        qFatal("the import of %s failed", qPrintable(strPath));
    const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
    return Figure{numbers.value(0).toDouble(), numbers.value(1).toDouble()};
}

void ReportHostile(const char* pszWhat, const Figure& hostile, const Figure& baseline) {
    std::printf("%-34s %7.3f s, peak %6.1f MB   well-formed file %7.3f s, peak %6.1f MB   "
                "time ratio %.2fx\n",
                pszWhat, hostile.dSeconds, hostile.dPeak, baseline.dSeconds, baseline.dPeak,
                hostile.dSeconds / baseline.dSeconds);
    std::fflush(stdout);
}

void HostileFiles(const QTemporaryDir& files) {
    std::printf("\nhostile files against well-formed files of the same kind and size "
                "(limits: peak 200 MB, the 8 MB NOTE under 1 s, ratio at most 1x)\n");
    const QString strHostile = files.filePath(QStringLiteral("hostile.csv"));
    const QString strPlain = files.filePath(QStringLiteral("plain.csv"));
    for (const qint64 nMegabytes : {20, 100}) {
        WriteLongLine(strHostile, nMegabytes * kMegabyte);
        WriteCsv(strPlain, 0, nMegabytes * kMegabyte);
        const Figure hostile = ImportFigure(strHostile);
        ReportHostile(nMegabytes == 20 ? "CSV line of 20 MB, 10 million fields"
                                       : "CSV line of 100 MB, 50 million fields",
                      hostile, ImportFigure(strPlain));
    }
    QFile::remove(strHostile);
    QFile::remove(strPlain);
    const QString strNote = files.filePath(QStringLiteral("note.vcf"));
    const QString strCards = files.filePath(QStringLiteral("cards.vcf"));
    for (const qint64 nMegabytes : {4, 8}) {
        WriteVCards(strNote, 0, nMegabytes * kMegabyte);
        WriteVCards(strCards, QFile(strNote).size(), 0);
        const Figure hostile = ImportFigure(strNote);
        ReportHostile(nMegabytes == 4 ? "vCard, quoted-printable NOTE of 4 MB"
                                      : "vCard, quoted-printable NOTE of 8 MB",
                      hostile, ImportFigure(strCards));
    }
}

void Report(const char* pszWhat, double dProgram, double dBaseline) {
    std::printf("%-8s program %7.3f s   plain SQLite %7.3f s   ratio %.2fx (limit 2x)\n", pszWhat,
                dProgram, dBaseline, dProgram / dBaseline);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        std::fprintf(stderr, "%s\n", qPrintable(call.strText));
        return IDOK;
    });
    if (argc == 3 && QByteArrayView(argv[1]) == "--import-one")
        return ImportOne(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir files;
    const QString strCsv = files.filePath(QStringLiteral("contacts.csv"));
    WriteCsv(strCsv, kRows, 0);
    std::printf("%d rows, %lld bytes of CSV; best of %d runs\n", kRows, QFile(strCsv).size(), kRuns);

    std::unique_ptr<QTemporaryDir> pStore;
    const double dImport = Best([&] {
        pStore = EmptyStore();
        return Seconds([&] {
            if (ImportWithProgram(strCsv) != kRows)
                qFatal("the program's import lost rows");
        });
    });
    const double dExport = Best([&] {
        return Seconds([&] { ExportWithProgram(files.filePath(QStringLiteral("out.csv"))); });
    });
    const double dPeak = PeakMegabytes();

    const double dImportBase = Best([&] {
        pStore = EmptyStore();
        return Seconds([&] {
            if (ImportWithSqlite(strCsv) != kRows)
                qFatal("the plain import lost rows");
        });
    });
    const double dExportBase = Best([&] {
        return Seconds([&] { ExportWithSqlite(files.filePath(QStringLiteral("plain.csv"))); });
    });
    Report("import", dImport, dImportBase);
    Report("export", dExport, dExportBase);
    std::printf("memory peak after the program's import and export: %.1f MB (limit 100 MB)\n", dPeak);

    const QString strBig = files.filePath(QStringLiteral("big.csv"));
    WriteCsv(strBig, 0, kBigFileBytes);
    pStore = EmptyStore();
    int nBigRows = 0;
    const double dBig = Seconds([&] { nBigRows = ImportWithProgram(strBig); });
    std::printf("50 MB file: %d rows imported in %.3f s; memory peak %.1f MB\n", nBigRows, dBig,
                PeakMegabytes());
    QDir::setCurrent(QDir::tempPath());
    pStore.reset();
    QFile::remove(strBig);
    HostileFiles(files);
    return 0;
}
