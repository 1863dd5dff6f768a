#pragma once

#include <QDialog>
#include <QString>

class CAddressDatabase;
class QCheckBox;
class QComboBox;
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

protected:
    bool event(QEvent* pEvent) override;

private:
    void CreateControls();
    QLineEdit* AddEdit(const QString& strObjectName);
    QPushButton* AddBrowseButton(const QString& strObjectName);
    void SelectTransport(const QString& strTransport);
    QString LoadPassword() const;
    bool SavePassword();

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
    QCheckBox* m_checkMapi = nullptr;
    QPushButton* m_buttonSendTestMail = nullptr;
    QLabel* m_labelTestResult = nullptr;
};
