// The mail password in the desktop keyring: the Mail Settings dialog puts it
// there and out of the settings file, and the mail library logs in with it.
// CTest runs this program twice: inside a private D-Bus session with GNOME
// Keyring (CORVANE_TEST_KEYRING=1, tests/support/with_keyring.sh), and with
// no session bus at all, where the file keeps the password as before.

#include "CSmtpTestServer.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "views/CDia_MailSettings.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kUser = u"jane"_s;
const QString kMissing = u"(missing)"_s;

QString StoredPassword() {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem,
                                              CProfileSettings::kKeyPassword, kMissing);
}

template <class T> T* Child(QDialog& dialog, const QString& strName) {
    T* pChild = dialog.findChild<T*>(strName);
    if (!pChild)
        qFatal("no child %s", qPrintable(strName));
    return pChild;
}

} // namespace

class TestMapiKeyring : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void dialogKeepsPasswordInKeyring_data();
    void dialogKeepsPasswordInKeyring();
    void passwordInFileMovesToKeyring();
    void emptiedPasswordLeavesNoneBehind();

private:
    std::unique_ptr<CSmtpTestServer> StartServer(const QString& strPassword);
    void SaveWithDialog(const QString& strServer, const QString& strPassword);

    QTemporaryDir m_dir;
    bool m_bKeyringExpected = false;
    int m_nServers = 0;
};

void TestMapiKeyring::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    m_bKeyringExpected = qgetenv("CORVANE_TEST_KEYRING") == "1";
    // The environment is the one this run is meant for.
    QCOMPARE(CPasswordStore::IsAvailable(), m_bKeyringExpected);
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        qWarning("message box: %s", qPrintable(call.strText));
        return IDOK;
    });
}

void TestMapiKeyring::init() {
    QFile::remove(CProfileSettings::FilePath());
}

std::unique_ptr<CSmtpTestServer> TestMapiKeyring::StartServer(const QString& strPassword) {
    auto pServer =
        std::make_unique<CSmtpTestServer>(m_dir.filePath(u"server%1"_s.arg(++m_nServers)));
    if (!pServer->Start({u"--user"_s, kUser, u"--password"_s, strPassword},
                        u"scripted_smtp_server.py"_s))
        qWarning("SMTP server: %s", qPrintable(pServer->ErrorText()));
    return pServer;
}

void TestMapiKeyring::SaveWithDialog(const QString& strServer, const QString& strPassword) {
    CDia_MailSettings dialog(nullptr);
    Child<QLineEdit>(dialog, u"editServer"_s)->setText(strServer);
    Child<QLineEdit>(dialog, u"editUser"_s)->setText(kUser);
    Child<QLineEdit>(dialog, u"editPassword"_s)->setText(strPassword);
    Child<QLineEdit>(dialog, u"editSender"_s)->setText(u"Jane Doe <jane@example.com>"_s);
    dialog.show();
    QTest::mouseClick(Child<QPushButton>(dialog, u"buttonOK"_s), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestMapiKeyring::dialogKeepsPasswordInKeyring_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << u"s3cret"_s;
    QTest::newRow("blanks, quotes and INI characters") << u" p;a=s#s, \"w\\o'rd\" ü "_s;
}

void TestMapiKeyring::dialogKeepsPasswordInKeyring() {
    QFETCH(QString, password);
    const auto pServer = StartServer(password);
    QVERIFY(pServer->Port() > 0);
    const QString strServer = pServer->Url(u"smtp"_s);

    SaveWithDialog(strServer, password);

    QCOMPARE(StoredPassword(), m_bKeyringExpected ? kMissing : password);
    QCOMPARE(CPasswordStore::Lookup(strServer, kUser),
             m_bKeyringExpected ? std::optional<QString>(password) : std::nullopt);
    CDia_MailSettings reopened(nullptr);
    QCOMPARE(Child<QLineEdit>(reopened, u"editPassword"_s)->text(), password);
    const QString strPlace = Child<QLabel>(reopened, u"labelPasswordPlace"_s)->text();
    QCOMPARE(strPlace.contains(u"kept in the desktop keyring"_s), m_bKeyringExpected);
    QCOMPARE(strPlace.contains(u"kept in the settings file"_s), !m_bKeyringExpected);

    CTestMailLibrary library;
    QVERIFY2(library.IsUsable(), qPrintable(library.ErrorText()));
    CTestMapiMessage message(u"Ann"_s, "ann@example.org", u"Hello"_s, u"Body"_s);
    QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);
    QCOMPARE(pServer->MessageCount(), 1);
}

// A password that an older version left in the file goes into the keyring
// the next time the dialog saves.
void TestMapiKeyring::passwordInFileMovesToKeyring() {
    const QString strServer = u"smtps://mail.example.com:465"_s;
    using S = CProfileSettings;
    QVERIFY(S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer, strServer));
    QVERIFY(S::WriteProfileValue(S::kSectionMailSystem, S::kKeyUser, kUser));
    QVERIFY(S::WriteProfileValue(S::kSectionMailSystem, S::kKeyPassword, u"from the file"_s));

    CDia_MailSettings dialog(nullptr);
    QCOMPARE(Child<QLineEdit>(dialog, u"editPassword"_s)->text(), u"from the file"_s);
    dialog.show();
    QTest::mouseClick(Child<QPushButton>(dialog, u"buttonOK"_s), Qt::LeftButton);

    QCOMPARE(StoredPassword(), m_bKeyringExpected ? kMissing : u"from the file"_s);
    QCOMPARE(CPasswordStore::Lookup(strServer, kUser).value_or(kMissing),
             m_bKeyringExpected ? u"from the file"_s : kMissing);
}

// Emptying the field removes the keyring's password too, so the mail
// library does not log in with the old one.
void TestMapiKeyring::emptiedPasswordLeavesNoneBehind() {
    const QString strServer = u"smtps://mail.example.org:465"_s;
    SaveWithDialog(strServer, u"old"_s);

    SaveWithDialog(strServer, QString());

    QCOMPARE(StoredPassword(), QString());
    QCOMPARE(CPasswordStore::Lookup(strServer, kUser), std::nullopt);
}

QTEST_MAIN(TestMapiKeyring)
#include "tst_mapi_keyring.moc"
