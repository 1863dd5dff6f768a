#include "views/CDia_MailSettings.h"

#include "platform/oauth/CDeviceSignIn.h"
#include "platform/oauth/CLoopbackSignIn.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/oauth/CTokenStore.h"
#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/OpenInBrowser.h"
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

QPushButton* AddButton(const QString& strText, const QString& strObjectName) {
    auto* pButton = new QPushButton(strText);
    pButton->setObjectName(strObjectName);
    pButton->setAutoDefault(false);
    return pButton;
}

// Selects the item whose data is strValue; a value the dialog does not know
// becomes an item of its own, so that saving keeps it.
void SelectData(QComboBox* pCombo, const QString& strValue) {
    int nIndex = pCombo->findData(strValue, Qt::UserRole, Qt::MatchFixedString);
    if (nIndex < 0) {
        pCombo->addItem(strValue, strValue);
        nIndex = pCombo->count() - 1;
    }
    pCombo->setCurrentIndex(nIndex);
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
    m_comboLogin = new QComboBox;
    m_comboLogin->setObjectName(u"comboLogin"_s);
    m_comboLogin->addItem(u"Password"_s, QString(COAuthSettings::kAuthPassword));
    m_comboLogin->addItem(u"OAuth 2.0 sign-in"_s, QString(COAuthSettings::kAuthOAuth2));
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
    m_buttonSendTestMail = AddButton(u"Send Test Mail"_s, u"buttonSendTestMail"_s);
    m_buttonSendTestMail->setEnabled(m_pDatabase != nullptr);
    m_labelTestResult = new QLabel;
    m_labelTestResult->setObjectName(u"labelTestResult"_s);
    m_labelTestResult->setWordWrap(true);

    auto* pForm = new QFormLayout;
    m_pForm = pForm;
    pForm->addRow(u"&Transport:"_s, m_comboTransport);
    pForm->addRow(u"&Server:"_s, m_editServer);
    pForm->addRow(u"&User:"_s, m_editUser);
    pForm->addRow(u"&Login:"_s, m_comboLogin);
    pForm->addRow(u"&Password:"_s, m_editPassword);
    pForm->addRow(QString(), m_labelPasswordPlace);
    CreateSignInControls();
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
    connect(m_comboLogin, &QComboBox::currentIndexChanged, this,
            &CDia_MailSettings::OnLoginChanged);
    connect(m_comboProvider, &QComboBox::currentIndexChanged, this,
            &CDia_MailSettings::OnLoginChanged);
    connect(m_editUser, &QLineEdit::editingFinished, this, &CDia_MailSettings::ShowSignedIn);
    connect(m_buttonSignIn, &QPushButton::clicked, this, &CDia_MailSettings::OnSignIn);
    connect(m_buttonSignInWithCode, &QPushButton::clicked, this,
            &CDia_MailSettings::OnSignInWithCode);
    connect(m_buttonSignOut, &QPushButton::clicked, this, &CDia_MailSettings::OnSignOut);
}

// The provider, the application registered with it (its client ID, and the
// secret some providers give desktop applications), the endpoints of a
// provider of one's own, and the account signed in with its buttons.
void CDia_MailSettings::CreateSignInControls() {
    m_comboProvider = new QComboBox;
    m_comboProvider->setObjectName(u"comboProvider"_s);
    m_comboProvider->addItem(u"Microsoft"_s, QString(COAuthSettings::kProviderMicrosoft));
    m_comboProvider->addItem(u"Google"_s, QString(COAuthSettings::kProviderGoogle));
    m_comboProvider->addItem(u"Other"_s, QString(COAuthSettings::kProviderCustom));
    m_editTenant = AddEdit(u"editTenant"_s);
    m_editTenant->setPlaceholderText(COAuthSettings::kDefaultTenant);
    m_editClientId = AddEdit(u"editClientId"_s);
    m_editClientSecret = AddEdit(u"editClientSecret"_s);
    m_editClientSecret->setEchoMode(QLineEdit::Password);
    m_editClientSecret->setPlaceholderText(u"only if the provider gave one"_s);
    m_editAuthorizeUrl = AddEdit(u"editAuthorizeUrl"_s);
    m_editTokenUrl = AddEdit(u"editTokenUrl"_s);
    m_editDeviceUrl = AddEdit(u"editDeviceUrl"_s);
    m_editScope = AddEdit(u"editScope"_s);
    m_labelSignIn = new QLabel;
    m_labelSignIn->setObjectName(u"labelSignIn"_s);
    m_labelSignIn->setWordWrap(true);
    // The code and the address come from the provider: shown as text, and
    // selectable, so that the user can copy them.
    m_labelSignIn->setTextFormat(Qt::PlainText);
    m_labelSignIn->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_buttonSignIn = AddButton(u"Sign &In..."_s, u"buttonSignIn"_s);
    m_buttonSignInWithCode = AddButton(u"Sign In with a Co&de..."_s, u"buttonSignInWithCode"_s);
    m_buttonSignOut = AddButton(u"Si&gn Out"_s, u"buttonSignOut"_s);
    m_rowSignInButtons = new QWidget;
    auto* pButtons = new QHBoxLayout(m_rowSignInButtons);
    pButtons->setContentsMargins(0, 0, 0, 0);
    pButtons->addWidget(m_buttonSignIn);
    pButtons->addWidget(m_buttonSignInWithCode);
    pButtons->addWidget(m_buttonSignOut);
    pButtons->addStretch(1);

    m_pForm->addRow(u"Pro&vider:"_s, m_comboProvider);
    m_pForm->addRow(u"Ten&ant:"_s, m_editTenant);
    m_pForm->addRow(u"Clie&nt ID:"_s, m_editClientId);
    m_pForm->addRow(u"Client sec&ret:"_s, m_editClientSecret);
    m_pForm->addRow(u"Sign-in address:"_s, m_editAuthorizeUrl);
    m_pForm->addRow(u"Token address:"_s, m_editTokenUrl);
    m_pForm->addRow(u"Code address:"_s, m_editDeviceUrl);
    m_pForm->addRow(u"Scope:"_s, m_editScope);
    m_pForm->addRow(QString(), m_labelSignIn);
    m_pForm->addRow(QString(), m_rowSignInButtons);
}

QLineEdit* CDia_MailSettings::AddEdit(const QString& strObjectName) {
    auto* pEdit = new QLineEdit;
    pEdit->setObjectName(strObjectName);
    return pEdit;
}

QPushButton* CDia_MailSettings::AddBrowseButton(const QString& strObjectName) {
    return AddButton(u"Browse..."_s, strObjectName);
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
    LoadSignIn();
    OnTransportChanged();
}

// A login or provider the dialog does not know is kept as the file has it.
void CDia_MailSettings::LoadSignIn() {
    const QString strLogin = MailSystemValue(COAuthSettings::kKeyAuth).trimmed();
    SelectData(m_comboLogin, strLogin.isEmpty() ? QString(COAuthSettings::kAuthPassword) : strLogin);
    const QString strProvider = MailSystemValue(COAuthSettings::kKeyProvider).trimmed();
    SelectData(m_comboProvider,
               strProvider.isEmpty() ? QString(COAuthSettings::kProviderMicrosoft) : strProvider);
    m_editTenant->setText(MailSystemValue(COAuthSettings::kKeyTenant));
    m_editClientId->setText(MailSystemValue(COAuthSettings::kKeyClientId));
    m_editClientSecret->setText(MailSystemValue(COAuthSettings::kKeyClientSecret));
    m_editAuthorizeUrl->setText(MailSystemValue(COAuthSettings::kKeyAuthorizeUrl));
    m_editTokenUrl->setText(MailSystemValue(COAuthSettings::kKeyTokenUrl));
    m_editDeviceUrl->setText(MailSystemValue(COAuthSettings::kKeyDeviceUrl));
    m_editScope->setText(MailSystemValue(COAuthSettings::kKeyScope));
    OnLoginChanged();
}

bool CDia_MailSettings::SaveSettings() {
    const bool bWritten =
        WriteMailSystemValue(CProfileSettings::kKeyTransport, m_comboTransport->currentText()) &&
        WriteMailSystemValue(CProfileSettings::kKeyServer, m_editServer->text().trimmed()) &&
        WriteMailSystemValue(CProfileSettings::kKeyUser, m_editUser->text()) && SavePassword() &&
        SaveSignIn() &&
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

// A password login leaves the OAuth keys as they are. Of the others, those
// that show or have a value are written, so that the keys of rows a preset
// hides (its endpoints, say) stay out of the file unless the file had them.
bool CDia_MailSettings::SaveSignIn() {
    if (!WriteMailSystemValue(COAuthSettings::kKeyAuth, m_comboLogin->currentData().toString()))
        return false;
    if (!IsOAuth())
        return true;
    const QList<QPair<QLatin1String, QLineEdit*>> fields{
        {COAuthSettings::kKeyTenant, m_editTenant},
        {COAuthSettings::kKeyClientId, m_editClientId},
        {COAuthSettings::kKeyClientSecret, m_editClientSecret},
        {COAuthSettings::kKeyAuthorizeUrl, m_editAuthorizeUrl},
        {COAuthSettings::kKeyTokenUrl, m_editTokenUrl},
        {COAuthSettings::kKeyDeviceUrl, m_editDeviceUrl},
        {COAuthSettings::kKeyScope, m_editScope}};
    bool bWritten = WriteMailSystemValue(COAuthSettings::kKeyProvider, Provider());
    for (const auto& [key, pEdit] : fields) {
        if (pEdit->isVisibleTo(this) || !pEdit->text().trimmed().isEmpty())
            bWritten = bWritten && WriteMailSystemValue(key, pEdit->text().trimmed());
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
    const QList<QWidget*> smtpFields{m_editServer,        m_editUser,   m_comboLogin,
                                     m_editPassword,      m_editCAFile, m_buttonBrowseCAFile,
                                     m_rowSignInButtons};
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

bool CDia_MailSettings::IsOAuth() const {
    return m_comboLogin->currentData().toString() == COAuthSettings::kAuthOAuth2;
}

QString CDia_MailSettings::Provider() const {
    return m_comboProvider->currentData().toString().toLower();
}

// The rows of the login chosen: the password, or the sign-in's. A tenant
// is Microsoft's; the endpoints are asked for where no preset has them.
void CDia_MailSettings::OnLoginChanged() {
    const bool bOAuth = IsOAuth();
    const bool bCustom = Provider() != COAuthSettings::kProviderMicrosoft &&
                         Provider() != COAuthSettings::kProviderGoogle;
    m_pForm->setRowVisible(m_editPassword, !bOAuth);
    m_pForm->setRowVisible(m_labelPasswordPlace, !bOAuth);
    const QList<QWidget*> signInRows{m_comboProvider, m_editClientId, m_editClientSecret,
                                     m_labelSignIn, m_rowSignInButtons};
    for (QWidget* pField : signInRows)
        m_pForm->setRowVisible(pField, bOAuth);
    m_pForm->setRowVisible(m_editTenant, bOAuth && Provider() == COAuthSettings::kProviderMicrosoft);
    for (QLineEdit* pEdit : {m_editAuthorizeUrl, m_editTokenUrl, m_editDeviceUrl, m_editScope})
        m_pForm->setRowVisible(pEdit, bOAuth && bCustom);
    ShowSignedIn();
}

void CDia_MailSettings::ShowSignedIn() {
    const QString strUser = m_editUser->text().trimmed();
    const CTokenStore::Found found = CTokenStore::Lookup(Provider(), strUser);
    const bool bSignedIn = !strUser.isEmpty() && !found.strToken.isEmpty();
    const QString strProviderName = COAuthSettings::Preset(Provider(), QString()).ProviderName();
    m_labelSignIn->setText(bSignedIn
                               ? CTokenStore::SignedInText(strUser, strProviderName, found.ePlace)
                               : u"Not signed in."_s);
    m_buttonSignOut->setEnabled(bSignedIn);
}

// The sign-in works with the settings as saved, which the mail library
// will use too.
void CDia_MailSettings::OnSignIn() {
    if (!SaveSettings())
        return;
    m_labelSignIn->setText(u"Complete the sign-in in your browser."_s);
    BeginSignIn(new CLoopbackSignIn(COAuthSettings::Read(), &OpenInBrowser, this));
}

void CDia_MailSettings::OnSignInWithCode() {
    if (SaveSettings())
        BeginSignInWithCode();
}

void CDia_MailSettings::BeginSignInWithCode() {
    m_labelSignIn->setText(u"Asking for a code..."_s);
    auto* pSignIn = new CDeviceSignIn(COAuthSettings::Read(), this);
    connect(pSignIn, &CDeviceSignIn::codeReady, this, &CDia_MailSettings::OnCodeReady);
    BeginSignIn(pSignIn);
}

// A sign-in begun while another is under way replaces it.
void CDia_MailSettings::BeginSignIn(CSignIn* pSignIn) {
    if (m_pSignIn)
        m_pSignIn->deleteLater();
    m_pSignIn = pSignIn;
    connect(pSignIn, &CSignIn::finished, this, &CDia_MailSettings::OnSignInFinished);
    pSignIn->Start();
}

void CDia_MailSettings::OnCodeReady(const QString& strUserCode, const QString& strAddress) {
    m_labelSignIn->setText(
        u"Open %1 in a browser on any device and enter the code %2 there."_s.arg(strAddress,
                                                                                strUserCode));
}

// Where no browser opens, the sign-in with a code takes over.
void CDia_MailSettings::OnSignInFinished(const CSignInOutcome& outcome) {
    switch (outcome.eResult) {
    case CSignInOutcome::Result::SignedIn:
        ShowSignedIn();
        break;
    case CSignInOutcome::Result::NoBrowser:
        BeginSignInWithCode();
        break;
    case CSignInOutcome::Result::Failed:
        m_labelSignIn->setText(outcome.strProblem);
        break;
    }
}

void CDia_MailSettings::OnSignOut() {
    if (!CTokenStore::Remove(Provider(), m_editUser->text().trimmed()))
        WindowMessageBox(this, u"The sign-in could not be removed from \"%1\"."_s.arg(
                                   QDir::toNativeSeparators(CTokenStore::FilePath())));
    ShowSignedIn();
}
