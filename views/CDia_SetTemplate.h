#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;

// Set Template: asks which of the folder's templates the selected addresses
// are to get.
class CDia_SetTemplate : public QDialog {
    Q_OBJECT

public:
    // templates: the names to choose from, in the order shown; nAddresses:
    // how many addresses the choice is for.
    CDia_SetTemplate(const QStringList& templates, int nAddresses, QWidget* pParent = nullptr);

    QString Template() const;

private:
    QComboBox* m_comboTemplate = nullptr;
};
