#include "views/CMultiLineEdit.h"

#include <QKeyEvent>

CMultiLineEdit::CMultiLineEdit(QWidget* pParent) : QPlainTextEdit(pParent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void CMultiLineEdit::keyPressEvent(QKeyEvent* pEvent) {
    const bool bEnter = pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
    if (!bEnter) {
        QPlainTextEdit::keyPressEvent(pEvent);
        return;
    }
    if (pEvent->modifiers() & Qt::ControlModifier) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    // Left unaccepted, the key reaches the dialog, which presses its default button.
    pEvent->ignore();
}
