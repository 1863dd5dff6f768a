#pragma once

#include <QDialog>

// Asked once when a run meets a failure that will repeat for every row still
// to send (the mail system is off, the server cannot be reached, the logon
// is refused): try the row again, skip it, or stop the run. Closing the
// dialog stops.
class CDia_SendPause : public QDialog {
    Q_OBJECT

public:
    enum Answer { Retry, SkipRow, Stop };

    CDia_SendPause(QWidget* pParent, const QString& strMessage);
    Answer Ask();

private:
    void AddButton(class QDialogButtonBox* pButtons, const QString& strName, const QString& strText,
                   Answer answer);

    Answer m_answer = Stop;
};
