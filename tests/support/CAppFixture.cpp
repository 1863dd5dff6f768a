#include "CAppFixture.h"

#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CMDIChildWnd.h"
#include "res/Resource.h"
#include "views/CListView_Table.h"
#include "views/Globals.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <sqlite3.h>

namespace {

const char* const s_fieldNames[] = {"editEMail",     "comboPrefix", "editName",
                                    "comboTemplate", "editMY1",     "editMY2",
                                    "editMY3",       "editMY4",     "editMY5"};

constexpr int s_nModalWaitMs = 5000;

void ResetGlobals() {
    g_strFindFilter.clear();
    g_strPreviewText.clear();
    g_bNoTwins = false;
    g_nSortColumn = 0;
    g_bSortDescending = false;
}

} // namespace

CAppFixture::CAppFixture(const std::function<void(const QString&)>& prepare)
    : m_strPreviousDir(QDir::currentPath()) {
    ResetGlobals();
    if (!m_dir.isValid() || !QDir::setCurrent(m_dir.path()))
        return;
    if (prepare)
        prepare(m_dir.path());
    m_previousBoxes = SetMessageBoxHandler([this](const MessageBoxCall& call) {
        m_arrBoxes.append(call);
        if (!m_arrAnswers.isEmpty())
            return m_arrAnswers.takeFirst();
        return (call.nType & MB_YESNO) == MB_YESNO ? int(IDYES) : int(IDOK);
    });
    m_pApp = std::make_unique<CCorvaneApp>();
    m_bReady = m_pApp->InitInstance() && Frame() != nullptr;
    if (m_bReady)
        m_bReady = QTest::qWaitForWindowExposed(Frame());
}

CAppFixture::~CAppFixture() {
    m_pApp.reset();
    SetMessageBoxHandler(m_previousBoxes);
    QDir::setCurrent(m_strPreviousDir);
    ResetGlobals();
}

CMainFrame* CAppFixture::Frame() const {
    return m_pApp ? static_cast<CMainFrame*>(m_pApp->m_pMainWnd) : nullptr;
}

bool CAppFixture::WriteFile(const QString& strName, const QByteArray& bytes) const {
    QFile file(FilePath(strName));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

void CAppFixture::Command(unsigned nID) {
    Frame()->ExecuteCommand(nID);
}

CListView_Table* CAppFixture::ActiveTable() const {
    CMDIChildWnd* pChild = Frame()->MDIGetActive();
    return pChild ? dynamic_cast<CListView_Table*>(pChild->GetActiveView()) : nullptr;
}

QString CAppFixture::ActiveTitle() const {
    CMDIChildWnd* pChild = Frame()->MDIGetActive();
    CDocument* pDocument = pChild ? pChild->GetActiveDocument() : nullptr;
    return pDocument ? pDocument->GetTitle() : QString();
}

int CAppFixture::ChildCount() const {
    return int(Frame()->GetChildFrames().size());
}

QObject* CAppFixture::WhenDialog(const QString& strObjectName,
                                std::function<void(QDialog*)> answer) {
    auto* pPoll = new QTimer(qApp);
    auto pWaited = std::make_shared<QElapsedTimer>();
    pWaited->start();
    pPoll->setInterval(5);
    QObject::connect(pPoll, &QTimer::timeout, pPoll, [=] {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const bool bFound = pDialog != nullptr && pDialog->objectName() == strObjectName;
        // Keys go to the focus, which the dialog has once it is active.
        const bool bReady = bFound && (pDialog->isActiveWindow() || pWaited->elapsed() > 1000);
        if (!bReady && pWaited->elapsed() < s_nModalWaitMs)
            return;
        pPoll->stop();
        pPoll->deleteLater();
        if (bFound)
            answer(pDialog);
    });
    pPoll->start();
    return pPoll;
}

void CAppFixture::TypeRecord(QDialog* pDialog, const QStringList& arrTexts) {
    for (int i = 0; i < arrTexts.size() && i < int(std::size(s_fieldNames)); ++i) {
        QWidget* pField = pDialog->findChild<QWidget*>(QString::fromLatin1(s_fieldNames[i]));
        if (auto* pCombo = qobject_cast<QComboBox*>(pField))
            pField = pCombo->lineEdit();
        if (pField == nullptr)
            continue;
        pField->setFocus();
        QTest::keyClick(pField, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(pField, Qt::Key_Delete);
        QTest::keyClicks(pField, arrTexts[i]);
    }
}

void CAppFixture::AddAddresses(const QList<QStringList>& records) {
    WhenDialog(QStringLiteral("CDia_Record"), [records](QDialog* pDialog) {
        for (const QStringList& record : records) {
            TypeRecord(pDialog, record);
            Click(pDialog, QStringLiteral("buttonSave"));
        }
        Click(pDialog, QStringLiteral("buttonClose"));
    });
    Command(ID_ADD_ADDRESS);
}

void CAppFixture::Click(QDialog* pDialog, const QString& strButton) {
    if (auto* pButton = pDialog->findChild<QPushButton*>(strButton))
        QTest::mouseClick(pButton, Qt::LeftButton);
}

void CAppFixture::AnswerFileDialog(const QString& strPath, bool bConfirmReplace) {
    if (bConfirmReplace)
        WhenModal([](QWidget* pBox) { return qobject_cast<QMessageBox*>(pBox) != nullptr; },
                  [](QWidget* pBox) {
                      static_cast<QMessageBox*>(pBox)->button(QMessageBox::Yes)->click();
                  });
    WhenModal([](QWidget* pModal) { return qobject_cast<QFileDialog*>(pModal) != nullptr; },
              [strPath](QWidget* pModal) {
                  auto* pDialog = static_cast<QFileDialog*>(pModal);
                  // The name field (selectFile leaves a focused field alone).
                  pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(strPath);
                  QMetaObject::invokeMethod(pDialog, &QDialog::accept);
              });
}

QStringList CAppFixture::RecordValues(const QString& strEMail, const QString& strName) {
    const QString strBlank = QStringLiteral(" ");
    return {QStringLiteral("0"),
            QDate::currentDate().toString(QStringLiteral("MM/dd/yy")),
            strEMail,
            QStringLiteral("Dr."),
            strName,
            QStringLiteral("offer.txt"),
            strBlank,
            strBlank,
            strBlank,
            strBlank,
            strBlank};
}

QList<QStringList> CAppFixture::StoredRecords() const {
    QList<QStringList> records;
    sqlite3* pDb = nullptr;
    const QByteArray path = FilePath(QStringLiteral("Addresses.mdb")).toUtf8();
    if (sqlite3_open_v2(path.constData(), &pDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(pDb);
        return records;
    }
    sqlite3_stmt* pStmt = nullptr;
    const char* pszSql = "SELECT ID_Address, Date, EMail, Prefix, Name, Template, MY_1, MY_2, "
                         "MY_3, MY_4, MY_5 FROM ADDRESSES ORDER BY ID_Address";
    if (sqlite3_prepare_v2(pDb, pszSql, -1, &pStmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(pStmt) == SQLITE_ROW) {
            QStringList record;
            for (int i = 0; i < sqlite3_column_count(pStmt); ++i) {
                const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(pStmt, i));
                record << (pText ? QString::fromUtf8(pText) : QString());
            }
            records << record;
        }
    }
    sqlite3_finalize(pStmt);
    sqlite3_close(pDb);
    return records;
}

bool CAppFixture::ExecuteSql(const QString& strSql) const {
    sqlite3* pDb = nullptr;
    const QByteArray path = FilePath(QStringLiteral("Addresses.mdb")).toUtf8();
    const QByteArray sql = "PRAGMA ignore_check_constraints = ON; " + strSql.toUtf8();
    const bool bDone =
        sqlite3_open_v2(path.constData(), &pDb, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_exec(pDb, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!bDone)
        qWarning("SQLite refused \"%s\": %s", sql.constData(), sqlite3_errmsg(pDb));
    sqlite3_close(pDb);
    return bDone;
}

QStringList CAppFixture::BoxTexts() const {
    QStringList texts;
    for (const MessageBoxCall& call : m_arrBoxes)
        texts << call.strText;
    return texts;
}

void CAppFixture::WhenModal(const QString& strObjectName, std::function<void(QWidget*)> answer) {
    WhenModal([strObjectName](QWidget* pModal) { return pModal->objectName() == strObjectName; },
              std::move(answer));
}

void CAppFixture::WhenModal(std::function<bool(QWidget*)> match,
                            std::function<void(QWidget*)> answer) {
    auto* pPoll = new QTimer(qApp);
    pPoll->setInterval(10);
    QObject::connect(pPoll, &QTimer::timeout, pPoll, [pPoll, match, answer] {
        QPointer<QWidget> pModal = QApplication::activeModalWidget();
        if (pModal == nullptr || !match(pModal))
            return;
        answer(pModal);
        // A dialog that is not ready for its answer yet gets it again.
        if (pModal && pModal->isVisible())
            return;
        pPoll->stop();
        pPoll->deleteLater();
    });
    pPoll->start();
}
