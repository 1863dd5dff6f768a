// The mail template filled from a table row, as the preview shows it. The
// input is the template file's bytes, then, after a zero byte (the template
// ends at its first one anyway), the row's cells separated by zero bytes:
// Date, EMail, Prefix, Name, MY_1 to MY_5. The preview opens with the row's
// trimmed address, no box is shown, and the start folder is current again.

#include "app/Globals.h"
#include "merge/TrimWhiteSpace.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

const QString kTemplate = QStringLiteral("letter.txt");
// Columns of the row that come from the input, in their order.
constexpr std::array<int, 9> kInputColumns = {1, 2, 3, 4, 6, 7, 8, 9, 10};
constexpr int kColEMail = 2;
constexpr int kColTemplate = 5;

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

struct Fixture {
    QTemporaryDir startDir;
    QTemporaryDir elsewhere;
    CAddressDatabase store;
    CListCtrl list;
};

Fixture* g_pFixture = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*pArgc, *pArgv);
    SetMessageBoxHandler([](const MessageBoxCall& call) -> int {
        fprintf(stderr, "message box: %s\n", qPrintable(call.strText));
        abort();
    });
    g_pFixture = new Fixture;
    Require(g_pFixture->startDir.isValid() && g_pFixture->elsewhere.isValid(),
            "no temporary folder");
    g_strStartDir = g_pFixture->startDir.path();
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        g_pFixture->list.InsertColumn(nColumn, QString::number(nColumn));
    Require(g_pFixture->list.InsertItem(0, QStringLiteral("1")) == 0, "no row");
    g_pFixture->list.SetItemText(0, kColTemplate, kTemplate);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QByteArray input(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const QList<QByteArray> parts = input.split('\0');
    {
        QFile file(QDir(g_pFixture->startDir.path()).filePath(kTemplate));
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the template");
        Require(file.write(parts.first()) == parts.first().size(), "cannot write the template");
    }
    for (size_t i = 0; i < kInputColumns.size(); ++i) {
        const QByteArray cell = qsizetype(i) + 1 < parts.size() ? parts[i + 1] : QByteArray();
        g_pFixture->list.SetItemText(0, kInputColumns[i], QString::fromUtf8(cell));
    }
    QDir::setCurrent(g_pFixture->elsewhere.path());

    QString strPreview;
    g_pFixture->store.AssembleMail(g_pFixture->list, 0, &strPreview, false);

    const QString strEMail = TrimWhiteSpace(g_pFixture->list.GetItemText(0, kColEMail));
    Require(strPreview.startsWith(QStringLiteral("================= ") + strEMail +
                                  QStringLiteral(" ================= \n\n")),
            "the preview does not open with the row's address");
    Require(QDir::currentPath() == QDir(g_pFixture->startDir.path()).canonicalPath(),
            "the start folder is not current");
    return 0;
}
