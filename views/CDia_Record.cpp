#include "views/CDia_Record.h"

#include "views/Globals.h"
#include "platform/dao/COleDateTime.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/ui/EngineErrorGuard.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CDialogUnits.h"
#include "views/CEMailHint.h"
#include "views/CMultiLineEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimerEvent>
#include <algorithm>

namespace {

enum : unsigned { ID_TIMER_AUTO = 1, ID_TIMER_WATCH = 1 };
constexpr int s_nTimerPeriodMs = 300;

// The Prefix list of the dialog's initial data, in this order.
const QStringList& Prefixes() {
    static const QStringList prefixes = {
        QStringLiteral("Mr."),       QStringLiteral("Mrs."),  QStringLiteral("Ms."),
        QStringLiteral("Mr & Mrs"),  QStringLiteral("Dr."),   QStringLiteral("Miss"),
        QStringLiteral("Frau"),      QStringLiteral("Herr"),  QStringLiteral("Damen und Herren"),
        QStringLiteral("Hon."),      QStringLiteral("Rev."),  QStringLiteral("Professor"),
        QStringLiteral("Sir"),       QStringLiteral("Madam"), QStringLiteral("Madam/Sir"),
        QStringLiteral("Sir/Madam"), QStringLiteral("Sirs"),  QStringLiteral("President")};
    return prefixes;
}

// The store never gets an empty text: an empty field is saved as one blank.
QString StoredText(const QString& strText) {
    return strText.isEmpty() ? QStringLiteral(" ") : strText;
}

// The template's caption and the group box's text.
const QString& RecordText() {
    static const QString strText = QStringLiteral("Record");
    return strText;
}

QComboBox* NewComboBox(QWidget* pParent, const QString& strName) {
    auto* pCombo = new QComboBox(pParent);
    pCombo->setObjectName(strName);
    pCombo->setEditable(true);
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    return pCombo;
}

QCheckBox* NewCheckBox(QWidget* pParent, const QString& strText, const QString& strName) {
    auto* pCheck = new QCheckBox(strText, pParent);
    pCheck->setObjectName(strName);
    pCheck->setFocusPolicy(Qt::ClickFocus);
    return pCheck;
}

} // namespace

CDia_Record::CDia_Record(CAddressDatabase& db, CMDIFrameWnd* pFrame, QWidget* pParent)
    : QDialog(pParent), m_db(db), m_pFrame(pFrame) {
    setObjectName(QStringLiteral("CDia_Record"));
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));
    setWindowTitle(RecordText());
    CreateControls();
    CreateLabels();
}

CDia_Record::~CDia_Record() = default;

int CDia_Record::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

// The auto timer ends with the dialog: nothing may fill a closed dialog.
void CDia_Record::done(int nResult) {
    m_timers.KillTimer(ID_TIMER_AUTO);
    QDialog::done(nResult);
}

// Controls in tab order, at their places in dialog template 130. The group
// box comes first and lies below the fields, so that it takes no clicks.
void CDia_Record::CreateControls() {
    const CDialogUnits units(font());
    setFixedSize(units.X(347), units.Y(371));

    auto* pGroup = new QGroupBox(RecordText(), this);
    units.Place(pGroup, 7, 7, 333, 337);

    m_editEMail = new QLineEdit(this);
    m_editEMail->setObjectName(QStringLiteral("editEMail"));
    units.Place(m_editEMail, 59, 18, 184, 14);
    CEMailHint::Attach(m_editEMail);

    m_comboPrefix = NewComboBox(this, QStringLiteral("comboPrefix"));
    m_comboPrefix->addItems(Prefixes());
    m_comboPrefix->setGeometry(units.X(59), units.Y(40), units.X(82),
                               m_comboPrefix->sizeHint().height());

    m_editName = new QLineEdit(this);
    m_editName->setObjectName(QStringLiteral("editName"));
    units.Place(m_editName, 146, 39, 184, 14);

    m_comboTemplate = NewComboBox(this, QStringLiteral("comboTemplate"));
    m_comboTemplate->setGeometry(units.X(59), units.Y(60), units.X(273),
                                 m_comboTemplate->sizeHint().height());

    CMultiLineEdit** fields[] = {&m_editMY1, &m_editMY2, &m_editMY3, &m_editMY4, &m_editMY5};
    for (int i = 0; i < 5; ++i) {
        *fields[i] = new CMultiLineEdit(this);
        (*fields[i])->setObjectName(QStringLiteral("editMY%1").arg(i + 1));
        units.Place(*fields[i], 59, 88 + 50 * i, 273, 48);
    }

    m_buttonSave = new QPushButton(this);
    m_buttonSave->setObjectName(QStringLiteral("buttonSave"));
    units.Place(m_buttonSave, 223, 350, 56, 14);
    connect(m_buttonSave, &QPushButton::clicked, this,
            [this] { Guarded(&CDia_Record::OnSaveRecord); });

    auto* pClose = new QPushButton(QStringLiteral("Close"), this);
    pClose->setObjectName(QStringLiteral("buttonClose"));
    pClose->setDefault(true);
    units.Place(pClose, 290, 350, 50, 14);
    connect(pClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* pClear = new QPushButton(QStringLiteral("Clear record"), this);
    pClear->setObjectName(QStringLiteral("buttonClear"));
    pClear->setFocusPolicy(Qt::ClickFocus);
    units.Place(pClear, 7, 350, 56, 14);
    connect(pClear, &QPushButton::clicked, this, [this] { Guarded(&CDia_Record::OnClearRecord); });

    m_checkNoTwins = NewCheckBox(this, QStringLiteral("no twins"), QStringLiteral("checkNoTwins"));
    units.Place(m_checkNoTwins, 288, 22, 43, 10);
    connect(m_checkNoTwins, &QCheckBox::clicked, this,
            [this] { Guarded(&CDia_Record::OnNoTwins); });

    m_checkAuto = NewCheckBox(this, QStringLiteral("auto"), QStringLiteral("checkAuto"));
    units.Place(m_checkAuto, 249, 22, 30, 10);
    connect(m_checkAuto, &QCheckBox::clicked, this, [this] { Guarded(&CDia_Record::OnAuto); });
}

void CDia_Record::CreateLabels() {
    const CDialogUnits units(font());
    struct Label {
        const char* pszText;
        QWidget* pBuddy;
        int nX, nY, nWidth;
    };
    const Label labels[] = {
        {"EMail:", m_editEMail, 17, 24, 30},        {"Name:", m_comboPrefix, 17, 45, 30},
        {"Template:", m_comboTemplate, 17, 64, 33}, {"MY_1:", m_editMY1, 19, 88, 30},
        {"MY_2:", m_editMY2, 19, 138, 30},          {"MY_3:", m_editMY3, 19, 188, 30},
        {"MY_4:", m_editMY4, 19, 238, 30},          {"MY_5:", m_editMY5, 19, 288, 30}};
    for (const Label& label : labels) {
        auto* pLabel = new QLabel(QString::fromLatin1(label.pszText), this);
        pLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
        pLabel->setBuddy(label.pBuddy);
        units.Place(pLabel, label.nX, label.nY, label.nWidth, 8);
    }
}

// A record whose Date text is empty counts as no record at all.
void CDia_Record::OnInitDialog() {
    m_bEdit = m_pRecord != nullptr && !m_pRecord->value(1).isEmpty();
    if (m_bEdit) {
        const QStringList& record = *m_pRecord;
        m_editEMail->setText(record.value(2));
        m_comboPrefix->setEditText(record.value(3));
        m_editName->setText(record.value(4));
        m_comboTemplate->setEditText(record.value(5));
        m_editMY1->setPlainText(record.value(6));
        m_editMY2->setPlainText(record.value(7));
        m_editMY3->setPlainText(record.value(8));
        m_editMY4->setPlainText(record.value(9));
        m_editMY5->setPlainText(record.value(10));
        m_buttonSave->setText(QStringLiteral("Save record"));
        setWindowTitle(QStringLiteral("Editing an address"));
    } else {
        ClearFields();
        m_buttonSave->setText(QStringLiteral("Add record"));
        setWindowTitle(QStringLiteral("Adding a new address"));
    }
    m_checkNoTwins->setChecked(g_bNoTwins);
    m_checkAuto->setChecked(false);
    QDir::setCurrent(g_strStartDir);
    FillTemplateList();
    m_editEMail->setFocus();
}

// The names of the start folder's "txt" and "md" files (text and Markdown
// templates), sorted as the list shows them. Filling the list leaves the
// typed Template text as it was.
void CDia_Record::FillTemplateList() {
    QStringList names;
    Store().ListFiles(QStringLiteral("."), &names, QStringLiteral("txt"));
    Store().ListFiles(QStringLiteral("."), &names, QStringLiteral("md"));
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    const QString strTemplate = m_comboTemplate->currentText();
    m_comboTemplate->addItems(names);
    m_comboTemplate->setCurrentIndex(-1);
    m_comboTemplate->setEditText(strTemplate);
}

// The Template choice stays: it carries over to the next address.
void CDia_Record::ClearFields() {
    m_editEMail->clear();
    m_comboPrefix->setEditText(QString());
    m_editName->clear();
    for (CMultiLineEdit* pEdit : {m_editMY1, m_editMY2, m_editMY3, m_editMY4, m_editMY5})
        pEdit->clear();
}

void CDia_Record::OnClearRecord() {
    ClearFields();
}

void CDia_Record::OnSaveRecord() {
    QStringList values;
    if (m_bEdit) {
        values << m_pRecord->value(0) << m_pRecord->value(1);
    } else {
        values << QStringLiteral("0")
               << COleDateTime::GetCurrentTime().Format(QStringLiteral("%x"));
    }
    m_strText = StoredText(m_editEMail->text());
    values << m_strText;
    if (g_bNoTwins && IsTwin(m_strText)) {
        AfxMessageBox(QStringLiteral("EMail \"%1\" already exist in Addresses.").arg(m_strText),
                      MB_OK);
        return;
    }
    values << StoredText(m_comboPrefix->currentText()) << StoredText(m_editName->text())
           << StoredText(m_comboTemplate->currentText());
    for (CMultiLineEdit* pEdit : {m_editMY1, m_editMY2, m_editMY3, m_editMY4, m_editMY5})
        values << StoredText(pEdit->toPlainText());
    // A record that is gone ("Not found") keeps the caller's texts: they
    // are what the caller last knew to be stored.
    if (!Store().SaveRecord(values, !m_bEdit))
        return;
    if (m_bEdit) {
        *m_pRecord = values;
    } else {
        ClearFields();
    }
}

// An edited record is no twin of itself: only the other records count.
bool CDia_Record::IsTwin(const QString& strEMail) {
    if (m_bEdit)
        return Store().FindByEMail(strEMail, m_pRecord->value(0).toInt());
    return Store().FindByEMail(strEMail);
}

// The flag and the main frame's watch outlive the dialog.
void CDia_Record::OnNoTwins() {
    g_bNoTwins = m_checkNoTwins->isChecked();
    if (m_pFrame == nullptr)
        return;
    if (g_bNoTwins) {
        m_pFrame->SetTimer(ID_TIMER_WATCH, s_nTimerPeriodMs);
    } else {
        m_pFrame->KillTimer(ID_TIMER_WATCH);
    }
}

void CDia_Record::OnAuto() {
    if (m_checkAuto->isChecked()) {
        m_timers.SetTimer(ID_TIMER_AUTO, s_nTimerPeriodMs, this);
    } else {
        m_timers.KillTimer(ID_TIMER_AUTO);
    }
}

void CDia_Record::timerEvent(QTimerEvent* pEvent) {
    const unsigned nID = m_timers.IdOf(pEvent->timerId());
    if (nID == 0) {
        QDialog::timerEvent(pEvent);
        return;
    }
    EngineErrorGuard([this, nID] { OnTimer(nID); });
}

// Every tick starts afresh: a non-empty address replaces whatever the field
// holds, and the caret goes back to the start.
void CDia_Record::OnTimer(unsigned) {
    if (!m_checkAuto->isChecked())
        return;
    m_strText = Store().GetClipboardText();
    const QString strEMail = Store().ExtractEMail(m_strText);
    if (strEMail.isEmpty())
        return;
    m_editEMail->setText(strEMail);
    m_editEMail->setCursorPosition(0);
}

CAddressDatabase& CDia_Record::Store() const {
    return m_db;
}

void CDia_Record::Guarded(void (CDia_Record::*pfnHandler)()) {
    EngineErrorGuard([this, pfnHandler] { (this->*pfnHandler)(); });
}
