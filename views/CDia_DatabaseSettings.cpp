#include "views/CDia_DatabaseSettings.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CPgUrl.h"
#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Where the keyring files the Url's password; nothing for a Url that is
// not PostgreSQL's.
std::optional<CPgUrl> KeyringUrl(const QString& strUrl) {
    try {
        return CPgUrl(strUrl);
    } catch (const CDaoException&) {
        return std::nullopt;
    }
}

} // namespace

CDia_DatabaseSettings::CDia_DatabaseSettings(const QString& strTable, QWidget* pParent)
    : QDialog(pParent), m_strTable(strTable), m_bKeyring(CPasswordStore::IsAvailable()) {
    setObjectName(u"CDia_DatabaseSettings"_s);
    setWindowTitle(u"Database Settings"_s);
    CreateControls();
    LoadSettings();
}

CDia_DatabaseSettings::~CDia_DatabaseSettings() = default;

void CDia_DatabaseSettings::CreateControls() {
    auto* pIntro = new QLabel(
        u"Leave the Url empty to keep the address book in Addresses.mdb of the start folder. "
        u"A team shares one address book on a PostgreSQL server: give its Url. Corvane uses "
        u"the database set here from its next start."_s);
    pIntro->setWordWrap(true);
    m_editUrl = new QLineEdit;
    m_editUrl->setObjectName(u"editUrl"_s);
    m_editUrl->setPlaceholderText(u"postgresql://USER@HOST:PORT/DATABASE?sslmode=verify-full"_s);
    m_editPassword = new QLineEdit;
    m_editPassword->setObjectName(u"editPassword"_s);
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_editPassword->setEnabled(m_bKeyring);
    m_labelPasswordPlace = new QLabel(
        m_bKeyring ? u"The password is kept in the desktop keyring. Leave it empty when "
                     u"~/.pgpass holds it or the server asks for none."_s
                   : u"No desktop keyring is running: put the password into ~/.pgpass, one "
                     u"line HOST:PORT:DATABASE:USER:PASSWORD, readable by you alone."_s);
    m_labelPasswordPlace->setObjectName(u"labelPasswordPlace"_s);
    m_labelPasswordPlace->setWordWrap(true);
    m_buttonTest = new QPushButton(u"Test Connection"_s);
    m_buttonTest->setObjectName(u"buttonTestConnection"_s);
    m_buttonTest->setAutoDefault(false);
    m_labelTestResult = new QLabel;
    m_labelTestResult->setObjectName(u"labelTestResult"_s);
    m_labelTestResult->setWordWrap(true);

    auto* pForm = new QFormLayout;
    pForm->addRow(pIntro);
    pForm->addRow(u"&Url:"_s, m_editUrl);
    pForm->addRow(u"&Password:"_s, m_editPassword);
    pForm->addRow(QString(), m_labelPasswordPlace);
    pForm->addRow(m_buttonTest);
    pForm->addRow(m_labelTestResult);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(u"buttonOK"_s);
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(u"buttonCancel"_s);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pButtons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 70);

    connect(pButtons, &QDialogButtonBox::accepted, this, &CDia_DatabaseSettings::OnOK);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttonTest, &QPushButton::clicked, this, &CDia_DatabaseSettings::OnTestConnection);
}

void CDia_DatabaseSettings::LoadSettings() {
    m_editUrl->setText(CAddressDatabase::ServerUrl());
    m_editPassword->setText(LoadPassword());
}

QString CDia_DatabaseSettings::LoadPassword() const {
    const std::optional<CPgUrl> url = KeyringUrl(m_editUrl->text());
    if (!m_bKeyring || !url)
        return QString();
    return CPasswordStore::Lookup(url->KeyringServer(), url->User()).value_or(QString());
}

bool CDia_DatabaseSettings::SaveSettings() {
    const QString strUrl = m_editUrl->text().trimmed();
    if (!strUrl.isEmpty() && !KeyringUrl(strUrl)) {
        WindowMessageBox(this,
                         u"\"%1\" is no PostgreSQL Url: it begins with postgresql://, as "
                         u"in postgresql://jane@db.example.com:5432/addresses."_s.arg(strUrl));
        return false;
    }
    const bool bWritten =
        strUrl.isEmpty() ? CProfileSettings::RemoveProfileValue(CProfileSettings::kSectionDatabase,
                                                                CProfileSettings::kKeyUrl)
                         : CProfileSettings::WriteProfileValue(CProfileSettings::kSectionDatabase,
                                                               CProfileSettings::kKeyUrl, strUrl);
    if (!bWritten) {
        WindowMessageBox(this, u"The database settings could not be written to \"%1\"."_s.arg(
                                   QDir::toNativeSeparators(CProfileSettings::FilePath())));
        return false;
    }
    SavePassword();
    return true;
}

// An emptied password leaves none in the keyring either.
void CDia_DatabaseSettings::SavePassword() const {
    const std::optional<CPgUrl> url = KeyringUrl(m_editUrl->text());
    if (!m_bKeyring || !url)
        return;
    if (m_editPassword->text().isEmpty())
        CPasswordStore::Remove(url->KeyringServer(), url->User());
    else
        CPasswordStore::Store(url->KeyringServer(), url->User(), m_editPassword->text(),
                              CPasswordStore::Database);
}

void CDia_DatabaseSettings::OnOK() {
    if (SaveSettings())
        accept();
}

// The address book's table is looked for as the next start will; a missing
// one is created then.
void CDia_DatabaseSettings::OnTestConnection() {
    const QString strUrl = m_editUrl->text().trimmed();
    if (strUrl.isEmpty()) {
        m_labelTestResult->setText(u"With no Url, Corvane keeps the address book in "
                                   u"Addresses.mdb of the start folder."_s);
        return;
    }
    m_labelTestResult->setText(u"Connecting..."_s);
    m_labelTestResult->repaint();
    try {
        CDaoDatabase database;
        database.OpenServer(strUrl, m_editPassword->text());
        m_labelTestResult->setText(
            database.HasTable(m_strTable)
                ? u"Connected to %1, which holds the address book."_s.arg(database.GetName())
                : u"Connected to %1. It holds no address book yet: Corvane creates the table "
                  u"%2 at its next start, or copy yours there with corvane --copy-to."_s.arg(
                      database.GetName(), m_strTable));
    } catch (const CDaoException& e) {
        m_labelTestResult->setText(e.m_pErrorInfo->m_strDescription);
    }
}
