#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Chooses where the address book is kept: Addresses.mdb in the start folder
// (an empty Url), or a PostgreSQL database that a team shares ([Database]
// Url in the settings file). The password of the database's login goes into
// the desktop keyring where one runs; without one, libpq reads it from
// ~/.pgpass, and the dialog says so. "Test Connection" connects with what
// the fields hold and tells how that went. The choice takes effect at the
// next start, since the address book is opened once.
class CDia_DatabaseSettings : public QDialog {
    Q_OBJECT

public:
    // strTable: the address book's table, which the test looks for.
    explicit CDia_DatabaseSettings(const QString& strTable, QWidget* pParent = nullptr);
    ~CDia_DatabaseSettings() override;

    void LoadSettings();
    // Writes the Url and the password; false, after telling the user, when
    // the Url is not PostgreSQL's or the settings file could not be written.
    bool SaveSettings();

    void OnOK();
    void OnTestConnection();

private:
    void CreateControls();
    QString LoadPassword() const;
    void SavePassword() const;

    QString m_strTable;
    bool m_bKeyring = false; // a desktop keyring answered when the dialog was made
    QLineEdit* m_editUrl = nullptr;
    QLineEdit* m_editPassword = nullptr;
    QLabel* m_labelPasswordPlace = nullptr;
    QPushButton* m_buttonTest = nullptr;
    QLabel* m_labelTestResult = nullptr;
};
