#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class CAddressDatabase;
class CSignIn;
struct CSignInOutcome;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Sets up how mail leaves the program, without editing files: the mail
// library's settings (section [MailSystem] of the settings file) and the
// switch that lets the program use it ("MAPI" in section "MAIL"). "Send Test
// Mail" saves them and sends one mail to the sender's own address the way
// Send Mail does, and tells in the dialog how that went.
//
// Where a desktop keyring runs, the password goes there (CPasswordStore) and
// out of the settings file; the dialog says where it is kept.
//
// With the login "OAuth 2.0 sign-in" (Auth=oauth2) the dialog asks for the
// provider and the application registered with it instead of the password,
// signs in (in the system's browser, or with a code where no browser opens
// or the user asks), shows the account signed in, and signs out. A sign-in
// under way ends with the dialog.
class CDia_MailSettings : public QDialog {
    Q_OBJECT

public:
    explicit CDia_MailSettings(CAddressDatabase* pDatabase, QWidget* pParent = nullptr);
    ~CDia_MailSettings() override;

    void LoadSettings();
    // Writes every field; false, after telling the user, when the settings
    // file could not be written.
    bool SaveSettings();
    // The bare address of the Sender text ("Jane <jane@example.com>" gives
    // jane@example.com).
    QString SenderAddress() const;

    void OnOK();
    void OnSendTestMail();
    void OnBrowseCAFile();
    void OnBrowseOutbox();
    void OnTransportChanged();
    void OnLoginChanged();
    void OnSignIn();
    void OnSignInWithCode();
    void OnSignOut();

protected:
    bool event(QEvent* pEvent) override;

private:
    void CreateControls();
    QLineEdit* AddEdit(const QString& strObjectName);
    QPushButton* AddBrowseButton(const QString& strObjectName);
    void CreateSignInControls();
    void SelectTransport(const QString& strTransport);
    void LoadSignIn();
    bool SaveSignIn();
    QString LoadPassword() const;
    bool SavePassword();
    bool IsOAuth() const;
    QString Provider() const;
    void BeginSignIn(CSignIn* pSignIn);
    void BeginSignInWithCode();
    void OnSignInFinished(const CSignInOutcome& outcome);
    void OnCodeReady(const QString& strUserCode, const QString& strAddress);
    void ShowSignedIn();

    CAddressDatabase* m_pDatabase; // sends the test mail; not owned
    bool m_bKeyring = false;       // a desktop keyring answered when the dialog was made
    QComboBox* m_comboTransport = nullptr;
    QLineEdit* m_editServer = nullptr;
    QLineEdit* m_editUser = nullptr;
    QLineEdit* m_editPassword = nullptr;
    QLabel* m_labelPasswordPlace = nullptr;
    QSpinBox* m_spinMaxPerMinute = nullptr;
    QLineEdit* m_editSender = nullptr;
    QLineEdit* m_editCAFile = nullptr;
    QLineEdit* m_editOutbox = nullptr;
    QPushButton* m_buttonBrowseCAFile = nullptr;
    QPushButton* m_buttonBrowseOutbox = nullptr;
    QComboBox* m_comboLogin = nullptr;
    QComboBox* m_comboProvider = nullptr;
    QLineEdit* m_editTenant = nullptr;
    QLineEdit* m_editClientId = nullptr;
    QLineEdit* m_editClientSecret = nullptr;
    QLineEdit* m_editAuthorizeUrl = nullptr;
    QLineEdit* m_editTokenUrl = nullptr;
    QLineEdit* m_editDeviceUrl = nullptr;
    QLineEdit* m_editScope = nullptr;
    QLabel* m_labelSignIn = nullptr;
    QWidget* m_rowSignInButtons = nullptr;
    QPushButton* m_buttonSignIn = nullptr;
    QPushButton* m_buttonSignInWithCode = nullptr;
    QPushButton* m_buttonSignOut = nullptr;
    QPointer<CSignIn> m_pSignIn; // the sign-in under way, a child of the dialog
    QFormLayout* m_pForm = nullptr;
    QCheckBox* m_checkMapi = nullptr;
    QPushButton* m_buttonSendTestMail = nullptr;
    QLabel* m_labelTestResult = nullptr;
};
