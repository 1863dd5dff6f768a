// Find as a user works with it: a text typed into the Find dialog opens a
// table window of the records in which some field contains it.

#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "platform/dao/COleDateTime.h"
#include "res/Resource.h"
#include "CAppFixture.h"
#include "views/CListView_Table.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int s_nEMailColumn = 2;

QStringList EMails(const CListView_Table* pView) {
    QStringList texts;
    for (int nItem = 0; nItem < pView->GetItemCount(); ++nItem)
        texts << pView->GetItemText(nItem, s_nEMailColumn);
    return texts;
}

const QString s_strJane = u"jane@example.com"_s;
const QString s_strBob = u"bob@smith.org"_s;
const QString s_strSean = u"o'brien@example.ie"_s;
const QString s_strAnn = u"ann@example.com"_s;
const QString s_strCarl = u"carl@example.com"_s;

} // namespace

class TestFind : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void findListsMatchingRecords_data();
    void findListsMatchingRecords();
    void cancelOpensNothing();
    void refillAfterAddKeepsFindTitle();
    void ctrlFInTableOpensAnotherWindow();

private:
    // Answers the Find dialog with strText and OK, or with Cancel.
    static void AnswerFind(const QString& strText, bool bOk = true);

    std::unique_ptr<CAppFixture> m_pCorvane;
};

void TestFind::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
    m_pCorvane->AddAddresses({{s_strJane, u"Dr."_s, u"Jane Smith"_s, u"offer.txt"_s},
                              {s_strBob, u"Mr."_s, u"Bob"_s, u"news.txt"_s},
                              {s_strSean, u"Mr."_s, u"Sean O'Brien"_s, u"offer.txt"_s},
                              {s_strAnn, u"Ms."_s, u"Ann"_s, u"news.txt"_s, QString(), QString(),
                               u"met SMITH at the fair"_s},
                              {s_strCarl, u"Mr."_s, u"Carl"_s, u"offer.txt"_s, u"code a123b"_s}});
    QCOMPARE(m_pCorvane->StoredRecords().size(), 5);
}

void TestFind::cleanup() {
    m_pCorvane.reset();
}

void TestFind::AnswerFind(const QString& strText, bool bOk) {
    CAppFixture::WhenDialog(u"CDia_Find"_s, [strText, bOk](QDialog* pDialog) {
        auto* pEdit = pDialog->findChild<QLineEdit*>(u"editFind"_s);
        QTest::keyClicks(pEdit, strText);
        CAppFixture::Click(pDialog, bOk ? u"buttonOK"_s : u"buttonCancel"_s);
    });
}

// Letter case does not matter; *, ?, # and [ keep their wildcard meaning,
// and a single quote is just a character.
void TestFind::findListsMatchingRecords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("smith in Name, EMail, MY_3")
        << u"smith"_s << QStringList{s_strJane, s_strBob, s_strAnn};
    QTest::newRow("quote") << u"O'Brien"_s << QStringList{s_strSean};
    QTest::newRow("a*b") << u"a*b"_s << QStringList{s_strSean, s_strCarl};
    QTest::newRow("one character") << u"?ob"_s << QStringList{s_strBob};
    QTest::newRow("digit") << u"a#"_s << QStringList{s_strCarl};
    QTest::newRow("character list") << u"[jk]"_s << QStringList{s_strJane};
    QTest::newRow("shown date") << COleDateTime::GetCurrentTime().Format(u"%x"_s)
                                << QStringList{s_strJane, s_strBob, s_strSean, s_strAnn, s_strCarl};
    QTest::newRow("empty") << QString()
                           << QStringList{s_strJane, s_strBob, s_strSean, s_strAnn, s_strCarl};
    QTest::newRow("nothing") << u"nobody"_s << QStringList();
}

void TestFind::findListsMatchingRecords() {
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    AnswerFind(text);
    m_pCorvane->Command(ID_FIND);

    QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
    CListView_Table* pView = m_pCorvane->ActiveTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(EMails(pView), found);
    QCOMPARE(m_pCorvane->ActiveTitle(), u"%1 \"%2\" in ADDRESSES"_s.arg(found.size()).arg(text));
    QVERIFY(g_strFindFilter.isEmpty());

    m_pCorvane->Command(ID_SHOW_TABLE);
    QCOMPARE(m_pCorvane->ActiveTable()->GetItemCount(), 5);
}

void TestFind::cancelOpensNothing() {
    AnswerFind(u"smith"_s, false);
    m_pCorvane->Command(ID_FIND);
    QCOMPARE(m_pCorvane->ChildCount(), 0);
    QVERIFY(g_strFindFilter.isEmpty());
}

// The window keeps no filter: after an addition it lists every record, and
// its title stays.
void TestFind::refillAfterAddKeepsFindTitle() {
    AnswerFind(u"smith"_s);
    m_pCorvane->Command(ID_FIND);
    CListView_Table* pView = m_pCorvane->ActiveTable();
    QVERIFY(pView != nullptr);
    QCOMPARE(pView->GetItemCount(), 3);

    m_pCorvane->AddAddresses({{u"dora@example.com"_s}});
    QCOMPARE(m_pCorvane->ActiveTable(), pView);
    QCOMPARE(pView->GetItemCount(), 6);
    QCOMPARE(m_pCorvane->ActiveTitle(), u"3 \"smith\" in ADDRESSES"_s);
}

void TestFind::ctrlFInTableOpensAnotherWindow() {
    m_pCorvane->Command(ID_SHOW_TABLE);
    CListView_Table* pTable = m_pCorvane->ActiveTable();
    QVERIFY(pTable != nullptr);
    AnswerFind(u"smith"_s);
    QTest::keyClick(pTable, Qt::Key_F, Qt::ControlModifier);

    QCOMPARE(m_pCorvane->ChildCount(), 2);
    QVERIFY(m_pCorvane->ActiveTable() != pTable);
    QCOMPARE(EMails(m_pCorvane->ActiveTable()), (QStringList{s_strJane, s_strBob, s_strAnn}));
    QCOMPARE(pTable->GetItemCount(), 5);
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
