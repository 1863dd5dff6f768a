#pragma once

#include "platform/mfc/CTimerMap.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class CAddressDatabase;
class CMDIFrameWnd;
class CMultiLineEdit;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The modal dialog in which the user types a new address record (add mode) or
// changes the one handed over in m_pRecord (edit mode). It also carries the
// two clipboard switches: "no twins" refuses stored addresses and drives the
// main frame's duplicate click, "auto" fills EMail from the clipboard. It
// saves to the store it is made with; pFrame is the main window whose timer
// the "no twins" switch starts and stops (none: the switch only sets the flag).
class CDia_Record : public QDialog {
    Q_OBJECT

public:
    CDia_Record(CAddressDatabase& db, CMDIFrameWnd* pFrame, QWidget* pParent = nullptr);
    ~CDia_Record() override;

    // Prepares the controls for the mode and runs the dialog: IDOK after
    // "Close" (or Enter in any field), IDCANCEL after Esc or the close box.
    int DoModal();

    bool m_bEdit = false;
    QString m_strText;
    // The caller's eleven field texts; null for add mode. In edit mode every
    // save replaces them with the texts saved.
    QStringList* m_pRecord = nullptr;

protected:
    void timerEvent(QTimerEvent* pEvent) override;
    void done(int nResult) override;

private:
    void CreateControls();
    void CreateLabels();
    void OnInitDialog();
    void FillTemplateList();
    void ClearFields();

    void OnSaveRecord();
    // Whether "no twins" refuses the address: another record holds it.
    bool IsTwin(const QString& strEMail);
    void OnClearRecord();
    void OnNoTwins();
    void OnAuto();
    void OnTimer(unsigned nIDEvent);

    CAddressDatabase& Store() const;
    // Runs a handler so that an engine error is reported and the dialog stays open.
    void Guarded(void (CDia_Record::*pfnHandler)());

    QLineEdit* m_editEMail = nullptr;
    QComboBox* m_comboPrefix = nullptr;
    QComboBox* m_comboTemplate = nullptr;
    QLineEdit* m_editName = nullptr;
    CMultiLineEdit* m_editMY1 = nullptr;
    CMultiLineEdit* m_editMY2 = nullptr;
    CMultiLineEdit* m_editMY3 = nullptr;
    CMultiLineEdit* m_editMY4 = nullptr;
    CMultiLineEdit* m_editMY5 = nullptr;
    QCheckBox* m_checkNoTwins = nullptr;
    QCheckBox* m_checkAuto = nullptr;
    QPushButton* m_buttonSave = nullptr;
    CAddressDatabase& m_db;
    CMDIFrameWnd* m_pFrame;
    CTimerMap m_timers;
};
