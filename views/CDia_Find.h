#pragma once

#include <QDialog>

class QLineEdit;

// The Find dialog: asks for the text that a new, filtered table window is to
// look for. OK hands the text over in g_strFindFilter.
class CDia_Find : public QDialog {
    Q_OBJECT

public:
    explicit CDia_Find(QWidget* pParent = nullptr);

    // Runs the dialog: IDOK after OK, IDCANCEL after Cancel, Esc or the close box.
    int DoModal();

private:
    void CreateControls();
    void OnBnClickedOk();

    QLineEdit* m_editFind = nullptr;
};
