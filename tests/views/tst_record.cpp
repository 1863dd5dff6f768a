// The record dialog as a user meets it: opened from the main frame's Add
// Address or on a handed-over record, typed into, saved, closed.

#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "res/Resource.h"
#include "CAppFixture.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_Record.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList s_arrFields = {"editEMail", "comboPrefix", "editName", "comboTemplate", "editMY1",
                                 "editMY2",   "editMY3",     "editMY4",  "editMY5"};

// The text a field shows, whatever kind of control it is.
QString FieldText(QDialog* pDialog, const QString& strName) {
    QWidget* pField = pDialog->findChild<QWidget*>(strName);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        return pEdit->text();
    if (auto* pCombo = qobject_cast<QComboBox*>(pField))
        return pCombo->currentText();
    if (auto* pEdit = qobject_cast<QPlainTextEdit*>(pField))
        return pEdit->toPlainText();
    return QStringLiteral("<no field %1>").arg(strName);
}

QStringList FieldTexts(QDialog* pDialog) {
    QStringList texts;
    for (const QString& strName : s_arrFields)
        texts << FieldText(pDialog, strName);
    return texts;
}

// The named control that holds the keyboard focus (a combo box for its edit).
QString FocusName() {
    for (QWidget* pWidget = QApplication::focusWidget(); pWidget;
         pWidget = pWidget->parentWidget()) {
        if (!pWidget->objectName().isEmpty() && !pWidget->objectName().startsWith(u"qt_"))
            return pWidget->objectName();
    }
    return QString();
}

QString Today() {
    return QDate::currentDate().toString(Qt::ISODate);
}

QStringList Record(const QString& strID, const QString& strDate, const QStringList& arrTexts) {
    return QStringList{strID, strDate} + arrTexts;
}

} // namespace

class TestRecordDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void addModeOpensEmptyWithSortedTemplates();
    void addsRecordsOneAfterAnother();
    void editModeSavesOverTheRecord();
    void recordWithoutDateIsAnAddition();
    void noTwinsRefusesStoredAddress_data();
    void noTwinsRefusesStoredAddress();
    void noTwinsInEditModeLooksAtOtherRecords_data();
    void noTwinsInEditModeLooksAtOtherRecords();
    void enterInAnyFieldClosesWithoutSaving_data();
    void enterInAnyFieldClosesWithoutSaving();
    void escapeCancels();
    void tabVisitsFieldsInTemplateOrder();
    void controlsDoNotOverlap();
    void noTwinsDrivesTheWatch();
    void autoFillsEMailFromClipboard();
    void storeErrorKeepsDialogOpen();
    void worksWithTheStoreAndFrameItIsMadeWith();

private:
    std::unique_ptr<CAppFixture> m_pCorvane;
};

void TestRecordDialog::init() {
    m_pCorvane = std::make_unique<CAppFixture>();
    QVERIFY(m_pCorvane->IsReady());
}

void TestRecordDialog::cleanup() {
    m_pCorvane.reset();
}

void TestRecordDialog::addModeOpensEmptyWithSortedTemplates() {
    QVERIFY(m_pCorvane->WriteFile(u"offer.txt"_s, "#SUBJECT Offer\n"));
    QVERIFY(m_pCorvane->WriteFile(u"Autumn.txt"_s, "#SUBJECT Autumn\n"));
    QVERIFY(m_pCorvane->WriteFile(u"News.md"_s, "#SUBJECT News\n"));
    QVERIFY(m_pCorvane->WriteFile(u"logo.png"_s, "not a template\n"));
    QVERIFY(m_pCorvane->WriteFile(u"notes.markdown"_s, "not a template\n"));
    QVERIFY(QDir(m_pCorvane->FilePath(QString())).mkdir(u"folder.txt"_s));
    QVERIFY(QDir(m_pCorvane->FilePath(QString())).mkdir(u"folder.md"_s));
    g_bNoTwins = true;

    QString strCaption, strButton;
    QStringList texts, templates;
    bool bNoTwins = false, bAuto = true;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        strCaption = pDialog->windowTitle();
        strButton = pDialog->findChild<QPushButton*>(u"buttonSave"_s)->text();
        texts = FieldTexts(pDialog);
        auto* pTemplates = pDialog->findChild<QComboBox*>(u"comboTemplate"_s);
        for (int i = 0; i < pTemplates->count(); ++i)
            templates << pTemplates->itemText(i);
        bNoTwins = pDialog->findChild<QCheckBox*>(u"checkNoTwins"_s)->isChecked();
        bAuto = pDialog->findChild<QCheckBox*>(u"checkAuto"_s)->isChecked();
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);

    QCOMPARE(strCaption, u"Adding a new address"_s);
    QCOMPARE(strButton, u"Add record"_s);
    QCOMPARE(texts, QStringList(9, QString()));
    QCOMPARE(templates, (QStringList{u"Autumn.txt"_s, u"News.md"_s, u"offer.txt"_s}));
    QVERIFY(bNoTwins);
    QVERIFY(!bAuto);
}

// The second address is saved with every field empty: each becomes a blank.
// After each save the fields are empty again, but for the Template.
void TestRecordDialog::addsRecordsOneAfterAnother() {
    QVERIFY(m_pCorvane->WriteFile(u"offer.txt"_s, "#SUBJECT Offer\n"));
    QStringList afterSave;
    bool bStillOpen = false;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog,
                                 {u"jane@example.com"_s, u"Dr."_s, u"Jane Smith"_s, u"offer.txt"_s,
                                  u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        afterSave = FieldTexts(pDialog);
        bStillOpen = pDialog->isVisible();
        CAppFixture::TypeRecord(pDialog, QStringList(9, QString()));
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);

    QVERIFY(bStillOpen);
    QStringList expectedAfterSave(9, QString());
    expectedAfterSave[3] = u"offer.txt"_s;
    QCOMPARE(afterSave, expectedAfterSave);

    const QList<QStringList> records = m_pCorvane->StoredRecords();
    QCOMPARE(records.size(), 2);
    QCOMPARE(records[0].mid(2),
             (QStringList{u"jane@example.com"_s, u"Dr."_s, u"Jane Smith"_s, u"offer.txt"_s,
                          u"one"_s, u"two"_s, u"three"_s, u"four"_s, u"five"_s}));
    QCOMPARE(records[1].mid(2), QStringList(9, u" "_s));
    QVERIFY2(records[1][1].startsWith(Today()), qPrintable(records[1][1]));
    QCOMPARE(records[1][0], u"2"_s);
}

void TestRecordDialog::editModeSavesOverTheRecord() {
    m_pCorvane->AddAddresses({{u"old@example.com"_s, u"Mr."_s, u"Old"_s}});
    const QStringList stored = m_pCorvane->StoredRecords().value(0);
    QCOMPARE(stored.size(), 11);

    const QString strShownDate = u"12/24/25"_s;
    QStringList record = Record(stored[0], strShownDate, stored.mid(2));
    QStringList shown, afterSave;
    QString strCaption, strButton;
    bool bStillOpen = false;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        strCaption = pDialog->windowTitle();
        strButton = pDialog->findChild<QPushButton*>(u"buttonSave"_s)->text();
        shown = FieldTexts(pDialog);
        auto* pName = pDialog->findChild<QLineEdit*>(u"editName"_s);
        pName->selectAll();
        QTest::keyClicks(pName, u"New Name"_s);
        auto* pMY2 = pDialog->findChild<QPlainTextEdit*>(u"editMY2"_s);
        pMY2->setFocus();
        pMY2->selectAll();
        QTest::keyClicks(pMY2, u"line 1"_s);
        QTest::keyClick(pMY2, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(pMY2, u"line 2"_s);
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        afterSave = FieldTexts(pDialog);
        bStillOpen = pDialog->isVisible();
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    dialog.m_pRecord = &record;
    QCOMPARE(dialog.DoModal(), int(IDOK));

    QCOMPARE(strCaption, u"Editing an address"_s);
    QCOMPARE(strButton, u"Save record"_s);
    QCOMPARE(shown, stored.mid(2));
    QVERIFY(bStillOpen);
    QCOMPARE(afterSave[2], u"New Name"_s);

    const QStringList expected = {
        stored[0], strShownDate, u"old@example.com"_s, u"Mr."_s, u"New Name"_s,
        u" "_s,    u" "_s,       u"line 1\nline 2"_s,  u" "_s,   u" "_s,
        u" "_s};
    QCOMPARE(record, expected);
    const QList<QStringList> records = m_pCorvane->StoredRecords();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records[0].mid(2), expected.mid(2));
    QCOMPARE(records[0][1].left(10), u"2025-12-24"_s);
}

void TestRecordDialog::recordWithoutDateIsAnAddition() {
    QStringList record = Record(u"7"_s, QString(), QStringList(9, u"x@example.com"_s));
    const QStringList handed = record;
    QString strCaption;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        strCaption = pDialog->windowTitle();
        CAppFixture::TypeRecord(pDialog, {u"new@example.com"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    dialog.m_pRecord = &record;
    QCOMPARE(dialog.DoModal(), int(IDOK));

    QCOMPARE(strCaption, u"Adding a new address"_s);
    QCOMPARE(record, handed);
    const QList<QStringList> records = m_pCorvane->StoredRecords();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records[0][2], u"new@example.com"_s);
}

void TestRecordDialog::noTwinsRefusesStoredAddress_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("same address") << u"jane@example.com"_s << u"jane@example.com"_s << true;
    QTest::newRow("other letter case") << u"jane@example.com"_s << u"JANE@Example.COM"_s << true;
    QTest::newRow("empty finds a blank") << QString() << QString() << true;
    QTest::newRow("quote in address") << u"o'brien@example.ie"_s << u"o'brien@example.ie"_s << true;
    QTest::newRow("not stored") << u"jane@example.com"_s << u"john@example.com"_s << false;
}

void TestRecordDialog::noTwinsRefusesStoredAddress() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    m_pCorvane->AddAddresses({{stored}});
    QCOMPARE(m_pCorvane->StoredRecords().size(), 1);

    QStringList kept;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        QTest::mouseClick(pDialog->findChild<QCheckBox*>(u"checkNoTwins"_s), Qt::LeftButton);
        CAppFixture::TypeRecord(pDialog, {typed, QString(), u"Someone"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        kept = FieldTexts(pDialog);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);

    const QString strShown = typed.isEmpty() ? u" "_s : typed;
    if (refused) {
        QCOMPARE(m_pCorvane->BoxTexts(),
                 QStringList{u"EMail \"%1\" already exist in Addresses."_s.arg(strShown)});
        QCOMPARE(m_pCorvane->StoredRecords().size(), 1);
        QCOMPARE(kept.mid(0, 3), (QStringList{typed, QString(), u"Someone"_s}));
    } else {
        QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
        QCOMPARE(m_pCorvane->StoredRecords().size(), 2);
    }
}

void TestRecordDialog::noTwinsInEditModeLooksAtOtherRecords_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("its own address") << u"jane@example.com"_s << false;
    QTest::newRow("its own address, other letter case") << u"Jane@Example.com"_s << false;
    QTest::newRow("a new address") << u"jane.new@example.com"_s << false;
    QTest::newRow("the other record's address") << u"john@example.com"_s << true;
}

// The record being edited never counts as its own twin; another record does.
void TestRecordDialog::noTwinsInEditModeLooksAtOtherRecords() {
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    m_pCorvane->AddAddresses({{u"john@example.com"_s, QString(), u"John"_s},
                              {u"jane@example.com"_s, QString(), u"Jane"_s}});
    const QStringList stored = m_pCorvane->StoredRecords().value(1);
    QCOMPARE(stored.value(2), u"jane@example.com"_s);
    g_bNoTwins = true;

    QStringList record = Record(stored[0], u"12/24/25"_s, stored.mid(2));
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {typed, QString(), u"Jane Roe"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    dialog.m_pRecord = &record;
    QCOMPARE(dialog.DoModal(), int(IDOK));

    const QStringList after = m_pCorvane->StoredRecords().value(1);
    if (refused) {
        QCOMPARE(m_pCorvane->BoxTexts(),
                 QStringList{u"EMail \"%1\" already exist in Addresses."_s.arg(typed)});
        QCOMPARE(after, stored);
        QCOMPARE(record.value(4), u"Jane"_s);
    } else {
        QCOMPARE(m_pCorvane->BoxTexts(), QStringList());
        QCOMPARE(after.value(2), typed);
        QCOMPARE(after.value(4), u"Jane Roe"_s);
        QCOMPARE(record.value(4), u"Jane Roe"_s);
    }
}

void TestRecordDialog::enterInAnyFieldClosesWithoutSaving_data() {
    QTest::addColumn<QString>("field");
    for (const QString& strField : s_arrFields)
        QTest::newRow(qPrintable(strField)) << strField;
}

void TestRecordDialog::enterInAnyFieldClosesWithoutSaving() {
    QFETCH(QString, field);
    bool bClosed = false;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"typed@example.com"_s, u"Mr."_s, u"Typed"_s});
        QWidget* pField = pDialog->findChild<QWidget*>(field);
        if (auto* pCombo = qobject_cast<QComboBox*>(pField))
            pField = pCombo->lineEdit();
        pField->setFocus();
        QTest::keyClick(pField, Qt::Key_Return);
        bClosed = !pDialog->isVisible();
        if (!bClosed)
            pDialog->reject();
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    const int nResult = dialog.DoModal();
    QVERIFY(bClosed);
    QCOMPARE(nResult, int(IDOK));
    QCOMPARE(m_pCorvane->StoredRecords().size(), 0);
}

void TestRecordDialog::escapeCancels() {
    CAppFixture::WhenDialog(u"CDia_Record"_s, [](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"typed@example.com"_s});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    QCOMPARE(dialog.DoModal(), int(IDCANCEL));
    QCOMPARE(m_pCorvane->StoredRecords().size(), 0);
}

// The check boxes and "Clear record" are no tab stops.
void TestRecordDialog::tabVisitsFieldsInTemplateOrder() {
    QStringList visited;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        visited << FocusName();
        for (int i = 0; i < 11; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << FocusName();
        }
        pDialog->reject();
    });
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    dialog.DoModal();
    const QStringList expected =
        s_arrFields + QStringList{u"buttonSave"_s, u"buttonClose"_s, u"editEMail"_s};
    QCOMPARE(visited, expected);
}

// Positions come from dialog units; whatever the font, no control may cover
// another or leave the dialog.
void TestRecordDialog::controlsDoNotOverlap() {
    CDia_Record dialog(m_pCorvane->Frame()->m_db, m_pCorvane->Frame());
    QStringList names = s_arrFields;
    names << u"buttonSave"_s << u"buttonClose"_s << u"buttonClear"_s << u"checkNoTwins"_s
          << u"checkAuto"_s;
    QList<QRect> rects;
    for (const QString& strName : names) {
        auto* pWidget = dialog.findChild<QWidget*>(strName);
        QVERIFY2(pWidget != nullptr, qPrintable(strName));
        QVERIFY2(dialog.rect().contains(pWidget->geometry()), qPrintable(strName));
        rects << pWidget->geometry();
    }
    for (int i = 0; i < rects.size(); ++i) {
        for (int j = i + 1; j < rects.size(); ++j)
            QVERIFY2(!rects[i].intersects(rects[j]), qPrintable(names[i] + u" / "_s + names[j]));
    }
}

// The switch and the main frame's watch outlive the dialog.
void TestRecordDialog::noTwinsDrivesTheWatch() {
    CMainFrame* pFrame = m_pCorvane->Frame();
    bool bOnWhileTicked = false, bTimerWhileTicked = false;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        auto* pBox = pDialog->findChild<QCheckBox*>(u"checkNoTwins"_s);
        QTest::mouseClick(pBox, Qt::LeftButton);
        bOnWhileTicked = g_bNoTwins;
        bTimerWhileTicked = pFrame->IsTimerActive(1);
        QTest::mouseClick(pBox, Qt::LeftButton);
        QTest::mouseClick(pBox, Qt::LeftButton);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);
    QVERIFY(bOnWhileTicked);
    QVERIFY(bTimerWhileTicked);
    QVERIFY(g_bNoTwins);
    QVERIFY(pFrame->IsTimerActive(1));

    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        QTest::mouseClick(pDialog->findChild<QCheckBox*>(u"checkNoTwins"_s), Qt::LeftButton);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);
    QVERIFY(!g_bNoTwins);
    QVERIFY(!pFrame->IsTimerActive(1));
}

// Whatever was typed is replaced at the next tick, as long as the clipboard
// yields an address.
void TestRecordDialog::autoFillsEMailFromClipboard() {
    QApplication::clipboard()->setText(u"mailto:sales@example.com"_s);
    QString strFilled, strOverTyped;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        auto* pEMail = pDialog->findChild<QLineEdit*>(u"editEMail"_s);
        QTest::mouseClick(pDialog->findChild<QCheckBox*>(u"checkAuto"_s), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(pEMail->text(), u"sales@example.com"_s, 2000);
        strFilled = pEMail->text();
        pEMail->setText(u"typed"_s);
        QTRY_COMPARE_WITH_TIMEOUT(pEMail->text(), u"sales@example.com"_s, 2000);
        strOverTyped = pEMail->text();
        QTest::mouseClick(pDialog->findChild<QCheckBox*>(u"checkAuto"_s), Qt::LeftButton);
        pEMail->setText(u"kept"_s);
        QTest::qWait(700);
        strFilled += u"|"_s + pEMail->text();
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);
    QCOMPARE(strFilled, u"sales@example.com|kept"_s);
    QCOMPARE(strOverTyped, u"sales@example.com"_s);
}

// A Name longer than its field is refused by the engine: its text is shown,
// nothing is stored, and the dialog stays open with the typed texts.
void TestRecordDialog::storeErrorKeepsDialogOpen() {
    const QString strLong(151, u'n');
    bool bStillOpen = false;
    QStringList kept;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"long@example.com"_s, QString(), strLong});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        bStillOpen = pDialog->isVisible();
        kept = FieldTexts(pDialog);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    m_pCorvane->Command(ID_ADD_ADDRESS);
    QVERIFY(bStillOpen);
    QCOMPARE(kept.mid(0, 3), (QStringList{u"long@example.com"_s, QString(), strLong}));
    QCOMPARE(m_pCorvane->BoxTexts().size(), 1);
    QVERIFY2(m_pCorvane->BoxTexts().value(0).contains(u"Name"_s),
             qPrintable(m_pCorvane->BoxTexts().value(0)));
    QCOMPARE(m_pCorvane->StoredRecords().size(), 0);
}

// A dialog made with another store saves there, and the main window's store
// stays untouched; made without a frame, its "no twins" switch sets the flag
// and leaves the main window's watch as it is.
void TestRecordDialog::worksWithTheStoreAndFrameItIsMadeWith() {
    QVERIFY(QDir().mkpath(m_pCorvane->FilePath(u"other"_s)));
    QVERIFY(QDir::setCurrent(m_pCorvane->FilePath(u"other"_s)));
    CAddressDatabase other;
    QVERIFY(other.OpenOrCreate());
    QVERIFY(QDir::setCurrent(m_pCorvane->Dir()));
    CMainFrame* pFrame = m_pCorvane->Frame();
    QVERIFY(pFrame->IsTimerActive(1));

    bool bFlagWhileTicked = false;
    CAppFixture::WhenDialog(u"CDia_Record"_s, [&](QDialog* pDialog) {
        CAppFixture::TypeRecord(pDialog, {u"other@example.com"_s});
        CAppFixture::Click(pDialog, u"buttonSave"_s);
        auto* pBox = pDialog->findChild<QCheckBox*>(u"checkNoTwins"_s);
        QTest::mouseClick(pBox, Qt::LeftButton);
        bFlagWhileTicked = g_bNoTwins;
        QTest::mouseClick(pBox, Qt::LeftButton);
        CAppFixture::Click(pDialog, u"buttonClose"_s);
    });
    CDia_Record dialog(other, nullptr);
    QCOMPARE(dialog.DoModal(), int(IDOK));

    QCOMPARE(other.CountRecords(other.m_schema.m_strTable), 1);
    QVERIFY(other.FindByEMail(u"other@example.com"_s));
    QCOMPARE(m_pCorvane->StoredRecords().size(), 0);
    QVERIFY(bFlagWhileTicked);
    QVERIFY(!g_bNoTwins);
    QVERIFY(pFrame->IsTimerActive(1));
}

QTEST_MAIN(TestRecordDialog)
#include "tst_record.moc"
