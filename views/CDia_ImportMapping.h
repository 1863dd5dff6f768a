#pragma once

#include "engine/contacts/CImportOptions.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QCheckBox;
class QComboBox;

// The import's choices, made with the first rows of the file in view: which
// column or vCard property fills each field of a new record, the template of
// the new records, and whether an address that is stored already is skipped
// or has its other fields updated. It is given the file's headers and first
// rows, the mapping to start from and the template catalogue; Options()
// returns the choices, the owner imports. The template can be given to the
// updated addresses too.
class CDia_ImportMapping : public QDialog {
    Q_OBJECT

public:
    CDia_ImportMapping(const QStringList& headers, const QList<QStringList>& preview,
                       const CContactMapping& mapping, const QStringList& templates,
                       QWidget* pParent = nullptr);

    CImportOptions Options() const;

private:
    void CreateControls(const QList<QStringList>& preview, const QStringList& templates);
    QComboBox* FieldCombo(int nField);
    void OnOK();

    QStringList m_headers;
    CContactMapping m_mapping;
    QList<QComboBox*> m_comboFields;
    QComboBox* m_comboTemplate = nullptr;
    QCheckBox* m_checkUpdate = nullptr;
    QCheckBox* m_checkTemplateForUpdated = nullptr;
};
