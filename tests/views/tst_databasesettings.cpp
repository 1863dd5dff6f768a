// The Database Settings dialog: the Url it keeps in the settings file, the
// password it files in the desktop keyring for the store to log in with,
// and its connection test against a real server.

#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "tests/support/CPgTestServer.h"
#include "views/CDia_DatabaseSettings.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template <class T> T* Child(QDialog& dialog, const QString& strName) {
    T* pChild = dialog.findChild<T*>(strName);
    if (!pChild)
        qFatal("no child %s", qPrintable(strName));
    return pChild;
}

void Click(QDialog& dialog, const QString& strButton) {
    QTest::mouseClick(Child<QPushButton>(dialog, strButton), Qt::LeftButton);
}

QString StoredUrl() {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionDatabase,
                                              CProfileSettings::kKeyUrl);
}

} // namespace

class TestDatabaseSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_pServer = std::make_unique<CPgTestServer>();
        QVERIFY2(m_pServer->IsReady(), qPrintable(m_pServer->Error()));
        QCOMPARE(m_pServer->AddPasswordUser(u"teammate"_s, u"s3cret: 'x'"_s), QString());
        QVERIFY2(CPasswordStore::IsAvailable(), "run under tests/support/with_keyring.sh");
    }
    void init() {
        QFile::remove(CProfileSettings::FilePath());
        m_messages.clear();
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            m_messages.append(call.strText);
            return IDOK;
        });
    }

    void theUrlIsSavedAndReadBack_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("a server") << "postgresql://jane@db.example.com:5433/addresses";
        QTest::newRow("the file") << "";
    }
    void theUrlIsSavedAndReadBack() {
        QFETCH(QString, url);
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionDatabase,
                                            CProfileSettings::kKeyUrl, u"postgresql://old@x/y"_s);
        {
            CDia_DatabaseSettings dialog(u"ADDRESSES"_s);
            QCOMPARE(Child<QLineEdit>(dialog, u"editUrl"_s)->text(), u"postgresql://old@x/y"_s);
            Child<QLineEdit>(dialog, u"editUrl"_s)->setText(u"  "_s + url);
            Click(dialog, u"buttonOK"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(StoredUrl(), url);
        QCOMPARE(CAddressDatabase::ServerUrl(), url);
        CDia_DatabaseSettings again(u"ADDRESSES"_s);
        QCOMPARE(Child<QLineEdit>(again, u"editUrl"_s)->text(), url);
        QVERIFY(m_messages.isEmpty());
    }

    void aUrlOfAnotherKindIsNotSaved() {
        CDia_DatabaseSettings dialog(u"ADDRESSES"_s);
        Child<QLineEdit>(dialog, u"editUrl"_s)->setText(u"Addresses.mdb"_s);
        Click(dialog, u"buttonOK"_s);
        QVERIFY(dialog.result() != int(QDialog::Accepted));
        QCOMPARE(m_messages, QStringList({u"\"Addresses.mdb\" is no PostgreSQL Url: it begins with "
                                          u"postgresql://, as in "
                                          u"postgresql://jane@db.example.com:5432/addresses."_s}));
        QCOMPARE(StoredUrl(), QString());
    }

    // The password goes into the keyring under the Url's server and login,
    // where the store finds it when it connects at the next start.
    void theKeyringsPasswordLogsTheStoreIn() {
        const QString strUrl =
            u"postgresql://teammate@127.0.0.1:%1/corvane"_s.arg(m_pServer->Port());
        {
            CDia_DatabaseSettings dialog(u"ADDRESSES"_s);
            Child<QLineEdit>(dialog, u"editUrl"_s)->setText(strUrl);
            Child<QLineEdit>(dialog, u"editPassword"_s)->setText(u"s3cret: 'x'"_s);
            Click(dialog, u"buttonOK"_s);
        }
        QVERIFY(!QFile(CProfileSettings::FilePath()).readAll().contains("s3cret"));
        QCOMPARE(
            CDia_DatabaseSettings(u"ADDRESSES"_s).findChild<QLineEdit*>(u"editPassword"_s)->text(),
            u"s3cret: 'x'"_s);
        const QTemporaryDir folder;
        QVERIFY(QDir::setCurrent(folder.path()));
        CAddressDatabase store;
        QVERIFY(store.OpenOrCreate());
        QCOMPARE(store.CountRecords(store.m_schema.m_strTable), 0);
        QVERIFY(QDir(folder.path()).isEmpty());
        QVERIFY(m_messages.isEmpty());

        CDia_DatabaseSettings dialog(u"ADDRESSES"_s);
        Child<QLineEdit>(dialog, u"editPassword"_s)->clear();
        Click(dialog, u"buttonOK"_s);
        QCOMPARE(CAddressDatabase::ServerPassword(strUrl), QString());
        QDir::setCurrent(QDir::tempPath());
    }

    void theTestSaysHowTheConnectionWent_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("table");
        QTest::addColumn<QString>("said");
        QTest::newRow("the file") << QString() << false
                                  << "With no Url, Corvane keeps the address book in "
                                     "Addresses.mdb of the start folder.";
        QTest::newRow("no table yet") << "{url}" << false << "It holds no address book yet";
        QTest::newRow("the address book") << "{url}" << true << "which holds the address book.";
        QTest::newRow("no server")
            << "postgresql://corvane@127.0.0.1:1/corvane" << false
            << "Could not connect to the database corvane@127.0.0.1:1/corvane";
        QTest::newRow("no Url") << "mysql://x" << false
                                << "is not the address of a PostgreSQL database";
    }
    void theTestSaysHowTheConnectionWent() {
        QFETCH(QString, url);
        QFETCH(bool, table);
        QFETCH(QString, said);
        QCOMPARE(m_pServer->Clear(), QString());
        if (table)
            QCOMPARE(m_pServer->Value(u"CREATE TABLE \"ADDRESSES\" (\"EMail\" text)"_s), QString());
        CDia_DatabaseSettings dialog(u"ADDRESSES"_s);
        Child<QLineEdit>(dialog, u"editUrl"_s)->setText(url.replace(u"{url}"_s, m_pServer->Url()));
        Click(dialog, u"buttonTestConnection"_s);
        const QString strResult = Child<QLabel>(dialog, u"labelTestResult"_s)->text();
        QVERIFY2(strResult.contains(said), qPrintable(strResult));
        QCOMPARE(StoredUrl(), QString());
    }

private:
    std::unique_ptr<CPgTestServer> m_pServer;
    QStringList m_messages;
};

QTEST_MAIN(TestDatabaseSettings)
#include "tst_databasesettings.moc"
