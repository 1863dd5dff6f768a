#include "views/CDia_MailSettings.h"

#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// More than any provider allows; the spin box needs a top.
constexpr int kMaxMailsPerMinute = 100000;

QString MailSystemValue(const QString& strKey) {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem, strKey);
}

bool WriteMailSystemValue(const QString& strKey, const QString& strValue) {
    return CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem, strKey,
                                               strValue);
}

QWidget* RowWith(QWidget* pField, QWidget* pButton) {
    auto* pRow = new QWidget;
    auto* pLayout = new QHBoxLayout(pRow);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(pField, 1);
    pLayout->addWidget(pButton);
    return pRow;
}

} // namespace

CDia_MailSettings::CDia_MailSettings(CAddressDatabase* pDatabase, QWidget* pParent)
    : QDialog(pParent), m_pDatabase(pDatabase), m_bKeyring(CPasswordStore::IsAvailable()) {
    setObjectName(u"CDia_MailSettings"_s);
    setWindowTitle(u"Mail Settings"_s);
    CreateControls();
    LoadSettings();
}

CDia_MailSettings::~CDia_MailSettings() = default;

// A wrapped text that grows, as the test mail's result does, makes the
// dialog taller: its layout alone would keep the one-line height and cut
// the text off.
bool CDia_MailSettings::event(QEvent* pEvent) {
    const bool bHandled = QDialog::event(pEvent);
    if (pEvent->type() == QEvent::LayoutRequest && layout() != nullptr &&
        layout()->hasHeightForWidth()) {
        const int nNeeded = layout()->totalHeightForWidth(width());
        if (height() < nNeeded)
            resize(width(), nNeeded);
    }
    return bHandled;
}

void CDia_MailSettings::CreateControls() {
    m_comboTransport = new QComboBox;
    m_comboTransport->setObjectName(u"comboTransport"_s);
    m_comboTransport->addItems(
        {CProfileSettings::kTransportSmtp, CProfileSettings::kTransportOutbox});
    m_editServer = AddEdit(u"editServer"_s);
    m_editServer->setPlaceholderText(u"smtps://mail.example.com:465"_s);
    m_editUser = AddEdit(u"editUser"_s);
    m_editPassword = AddEdit(u"editPassword"_s);
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_labelPasswordPlace = new QLabel(
        m_bKeyring ? u"The password is kept in the desktop keyring."_s
                   : u"No desktop keyring is running: the password is kept in the settings file, "
                     u"readable by you alone."_s);
    m_labelPasswordPlace->setObjectName(u"labelPasswordPlace"_s);
    m_labelPasswordPlace->setWordWrap(true);
    m_editSender = AddEdit(u"editSender"_s);
    m_editSender->setPlaceholderText(u"Jane Doe <jane@example.com>"_s);
    m_editCAFile = AddEdit(u"editCAFile"_s);
    m_buttonBrowseCAFile = AddBrowseButton(u"buttonBrowseCAFile"_s);
    m_editOutbox = AddEdit(u"editOutbox"_s);
    m_buttonBrowseOutbox = AddBrowseButton(u"buttonBrowseOutbox"_s);
    m_spinMaxPerMinute = new QSpinBox;
    m_spinMaxPerMinute->setObjectName(u"spinMaxPerMinute"_s);
    m_spinMaxPerMinute->setRange(0, kMaxMailsPerMinute);
    m_spinMaxPerMinute->setSpecialValueText(u"no limit"_s);
    m_checkMapi = new QCheckBox(u"Send mail through the mail library"_s);
    m_checkMapi->setObjectName(u"checkMapi"_s);
    m_buttonSendTestMail = new QPushButton(u"Send Test Mail"_s);
    m_buttonSendTestMail->setObjectName(u"buttonSendTestMail"_s);
    m_buttonSendTestMail->setAutoDefault(false);
    m_buttonSendTestMail->setEnabled(m_pDatabase != nullptr);
    m_labelTestResult = new QLabel;
    m_labelTestResult->setObjectName(u"labelTestResult"_s);
    m_labelTestResult->setWordWrap(true);

    auto* pForm = new QFormLayout;
    pForm->addRow(u"&Transport:"_s, m_comboTransport);
    pForm->addRow(u"&Server:"_s, m_editServer);
    pForm->addRow(u"&User:"_s, m_editUser);
    pForm->addRow(u"&Password:"_s, m_editPassword);
    pForm->addRow(QString(), m_labelPasswordPlace);
    pForm->addRow(u"S&ender:"_s, m_editSender);
    pForm->addRow(u"&CA certificates:"_s, RowWith(m_editCAFile, m_buttonBrowseCAFile));
    pForm->addRow(u"&Outbox folder:"_s, RowWith(m_editOutbox, m_buttonBrowseOutbox));
    pForm->addRow(u"&Mails per minute:"_s, m_spinMaxPerMinute);
    pForm->addRow(m_checkMapi);
    pForm->addRow(m_buttonSendTestMail);
    pForm->addRow(m_labelTestResult);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(u"buttonOK"_s);
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(u"buttonCancel"_s);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pButtons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);

    connect(pButtons, &QDialogButtonBox::accepted, this, &CDia_MailSettings::OnOK);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttonSendTestMail, &QPushButton::clicked, this, &CDia_MailSettings::OnSendTestMail);
    connect(m_buttonBrowseCAFile, &QPushButton::clicked, this, &CDia_MailSettings::OnBrowseCAFile);
    connect(m_buttonBrowseOutbox, &QPushButton::clicked, this, &CDia_MailSettings::OnBrowseOutbox);
    connect(m_comboTransport, &QComboBox::currentIndexChanged, this,
            &CDia_MailSettings::OnTransportChanged);
}

QLineEdit* CDia_MailSettings::AddEdit(const QString& strObjectName) {
    auto* pEdit = new QLineEdit;
    pEdit->setObjectName(strObjectName);
    return pEdit;
}

QPushButton* CDia_MailSettings::AddBrowseButton(const QString& strObjectName) {
    auto* pButton = new QPushButton(u"Browse..."_s);
    pButton->setObjectName(strObjectName);
    pButton->setAutoDefault(false);
    return pButton;
}

void CDia_MailSettings::LoadSettings() {
    SelectTransport(MailSystemValue(CProfileSettings::kKeyTransport));
    m_editServer->setText(MailSystemValue(CProfileSettings::kKeyServer));
    m_editUser->setText(MailSystemValue(CProfileSettings::kKeyUser));
    m_editPassword->setText(LoadPassword());
    m_editSender->setText(MailSystemValue(CProfileSettings::kKeySender));
    m_editCAFile->setText(MailSystemValue(CProfileSettings::kKeyCAFile));
    m_editOutbox->setText(MailSystemValue(CProfileSettings::kKeyOutbox));
    m_spinMaxPerMinute->setValue(CProfileSettings::GetProfileInt(
        CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyMaxPerMinute, 0));
    m_checkMapi->setChecked(CProfileSettings::GetProfileInt(CProfileSettings::kSectionMail,
                                                            CProfileSettings::kKeyMapi, 0) != 0);
    OnTransportChanged();
}

bool CDia_MailSettings::SaveSettings() {
    const bool bWritten =
        WriteMailSystemValue(CProfileSettings::kKeyTransport, m_comboTransport->currentText()) &&
        WriteMailSystemValue(CProfileSettings::kKeyServer, m_editServer->text().trimmed()) &&
        WriteMailSystemValue(CProfileSettings::kKeyUser, m_editUser->text()) && SavePassword() &&
        WriteMailSystemValue(CProfileSettings::kKeySender, m_editSender->text().trimmed()) &&
        WriteMailSystemValue(CProfileSettings::kKeyCAFile, m_editCAFile->text().trimmed()) &&
        WriteMailSystemValue(CProfileSettings::kKeyOutbox, m_editOutbox->text().trimmed()) &&
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            CProfileSettings::kKeyMaxPerMinute,
                                            m_spinMaxPerMinute->value()) &&
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMail,
                                            CProfileSettings::kKeyMapi,
                                            m_checkMapi->isChecked() ? 1 : 0);
    if (!bWritten) {
        WindowMessageBox(this, u"The mail settings could not be written to \"%1\"."_s.arg(
                                   QDir::toNativeSeparators(CProfileSettings::FilePath())));
    }
    return bWritten;
}

// The file's password; where the file has none, the keyring's for the
// server and user, as the mail library reads it.
QString CDia_MailSettings::LoadPassword() const {
    const QString strPassword = MailSystemValue(CProfileSettings::kKeyPassword);
    const QString strUser = MailSystemValue(CProfileSettings::kKeyUser).trimmed();
    if (!strPassword.isEmpty() || strUser.isEmpty() || !m_bKeyring)
        return strPassword;
    return CPasswordStore::Lookup(MailSystemValue(CProfileSettings::kKeyServer).trimmed(), strUser)
        .value_or(QString());
}

// Into the keyring, and out of the file, when a keyring takes it; into the
// file otherwise. An emptied password leaves none in the keyring either.
bool CDia_MailSettings::SavePassword() {
    const QString strServer = m_editServer->text().trimmed();
    const QString strUser = m_editUser->text().trimmed();
    const QString strPassword = m_editPassword->text();
    if (m_bKeyring && !strUser.isEmpty()) {
        if (strPassword.isEmpty())
            CPasswordStore::Remove(strServer, strUser);
        else if (CPasswordStore::Store(strServer, strUser, strPassword))
            return CProfileSettings::RemoveProfileValue(CProfileSettings::kSectionMailSystem,
                                                        CProfileSettings::kKeyPassword);
    }
    return WriteMailSystemValue(CProfileSettings::kKeyPassword, strPassword);
}

QString CDia_MailSettings::SenderAddress() const {
    static const QRegularExpression reBracketed(u"<([^<>]*)>"_s);
    const QString strSender = m_editSender->text().trimmed();
    const QRegularExpressionMatch match = reBracketed.match(strSender);
    return match.hasMatch() ? match.captured(1).trimmed() : strSender;
}

void CDia_MailSettings::OnOK() {
    if (SaveSettings())
        accept();
}

// The test mail takes the program's own way out, so it proves what Send Mail
// will do with these settings; the mail system's own messages appear as
// they would there.
void CDia_MailSettings::OnSendTestMail() {
    if (!SaveSettings())
        return;
    const QString strAddress = SenderAddress();
    if (strAddress.isEmpty()) {
        m_labelTestResult->setText(
            u"Enter the sender's address first: the test mail goes to it."_s);
        return;
    }
    m_labelTestResult->setText(u"Sending the test mail to %1..."_s.arg(strAddress));
    m_labelTestResult->repaint();
    const bool bSent = m_pDatabase->SendMapiMail(
        QString(), strAddress, u"Corvane test mail"_s,
        u"This mail was sent by Corvane to test its mail settings."_s, QString());
    m_labelTestResult->setText(
        bSent ? u"The mail system accepted the test mail to %1."_s.arg(strAddress)
              : u"The test mail to %1 could not be sent; the message shown said why."_s.arg(
                    strAddress));
}

void CDia_MailSettings::OnBrowseCAFile() {
    const QString strFile = QFileDialog::getOpenFileName(
        this, QString(), m_editCAFile->text(), u"Certificates (*.pem *.crt);;All files (*)"_s);
    if (!strFile.isEmpty())
        m_editCAFile->setText(strFile);
}

void CDia_MailSettings::OnBrowseOutbox() {
    const QString strFolder =
        QFileDialog::getExistingDirectory(this, QString(), m_editOutbox->text());
    if (!strFolder.isEmpty())
        m_editOutbox->setText(strFolder);
}

// Only the fields that the chosen transport reads can be edited.
void CDia_MailSettings::OnTransportChanged() {
    const bool bSmtp = m_comboTransport->currentText() != CProfileSettings::kTransportOutbox;
    const QList<QWidget*> smtpFields{m_editServer, m_editUser, m_editPassword, m_editCAFile,
                                     m_buttonBrowseCAFile};
    for (QWidget* pWidget : smtpFields)
        pWidget->setEnabled(bSmtp);
    m_editOutbox->setEnabled(!bSmtp);
    m_buttonBrowseOutbox->setEnabled(!bSmtp);
}

// A transport the dialog does not know is kept as it is, so that opening and
// closing the dialog never changes the settings file behind the user's back.
void CDia_MailSettings::SelectTransport(const QString& strTransport) {
    const QString strValue =
        strTransport.trimmed().isEmpty() ? CProfileSettings::kTransportSmtp : strTransport;
    int nIndex = m_comboTransport->findText(strValue);
    if (nIndex < 0) {
        m_comboTransport->addItem(strValue);
        nIndex = m_comboTransport->count() - 1;
    }
    m_comboTransport->setCurrentIndex(nIndex);
}
