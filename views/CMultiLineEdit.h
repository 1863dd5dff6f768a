#pragma once

#include <QPlainTextEdit>

// A multi-line edit field of a dialog: Enter acts on the dialog's default
// button like in every other field, Ctrl+Enter types a line break, and Tab
// moves on to the next control.
class CMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CMultiLineEdit(QWidget* pParent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
};
