#pragma once

#include <QObject>

class QAction;
class QLineEdit;

// A warning sign at the end of an EMail field while its address is one the
// mail library would refuse as a recipient, with the reason as its tip. It
// only informs: the field and its saving stay as they are.
class CEMailHint : public QObject {
    Q_OBJECT

public:
    // The hint lives as long as pEdit.
    static CEMailHint* Attach(QLineEdit* pEdit);

    bool IsShown() const;

private:
    explicit CEMailHint(QLineEdit* pEdit);
    void Update(const QString& strText);

    QAction* m_pAction;
};
