#include "views/CDia_ImportMapping.h"

#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kNotImported = -1;
constexpr int kAsRecognised = -2; // several columns, or one with a fallback

} // namespace

CDia_ImportMapping::CDia_ImportMapping(const QStringList& headers,
                                       const QList<QStringList>& preview,
                                       const CContactMapping& mapping, const QStringList& templates,
                                       QWidget* pParent)
    : QDialog(pParent), m_headers(headers), m_mapping(mapping) {
    setObjectName(QStringLiteral("CDia_ImportMapping"));
    setWindowTitle(QStringLiteral("Import Addresses"));
    CreateControls(preview, templates);
}

void CDia_ImportMapping::CreateControls(const QList<QStringList>& preview,
                                        const QStringList& templates) {
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("The first rows of the file:"), this));
    auto* pTable = new QTableWidget(int(preview.size()), int(m_headers.size()), this);
    pTable->setObjectName(QStringLiteral("tablePreview"));
    pTable->setHorizontalHeaderLabels(m_headers);
    pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int nRow = 0; nRow < preview.size(); ++nRow)
        for (int nColumn = 0; nColumn < m_headers.size(); ++nColumn)
            pTable->setItem(nRow, nColumn, new QTableWidgetItem(preview[nRow].value(nColumn)));
    pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    pLayout->addWidget(pTable);

    auto* pForm = new QFormLayout;
    for (int nField = 0; nField < CContactMapping::Fields().size(); ++nField)
        pForm->addRow(CContactMapping::Fields()[nField] + u':', FieldCombo(nField));
    m_comboTemplate = new QComboBox(this);
    m_comboTemplate->setObjectName(QStringLiteral("comboTemplate"));
    m_comboTemplate->setEditable(true);
    m_comboTemplate->addItems(templates);
    m_comboTemplate->setCurrentIndex(-1);
    pForm->addRow(QStringLiteral("Template of new records:"), m_comboTemplate);
    m_checkUpdate = new QCheckBox(
        QStringLiteral("Update the other fields of addresses that are stored already"), this);
    m_checkUpdate->setObjectName(QStringLiteral("checkUpdate"));
    pForm->addRow(QString(), m_checkUpdate);
    m_checkTemplateForUpdated =
        new QCheckBox(QStringLiteral("Give the updated addresses this template too"), this);
    m_checkTemplateForUpdated->setObjectName(QStringLiteral("checkTemplateForUpdated"));
    m_checkTemplateForUpdated->setEnabled(false);
    connect(m_checkUpdate, &QCheckBox::toggled, m_checkTemplateForUpdated, &QWidget::setEnabled);
    pForm->addRow(QString(), m_checkTemplateForUpdated);
    pLayout->addLayout(pForm);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("buttonOK"));
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("buttonCancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDia_ImportMapping::OnOK);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);
    resize(720, 560);
}

// The choices: not imported, the recognised combination when there is one,
// then each column of the file.
QComboBox* CDia_ImportMapping::FieldCombo(int nField) {
    auto* pCombo = new QComboBox(this);
    pCombo->setObjectName(QStringLiteral("comboField_") + CContactMapping::Fields()[nField]);
    pCombo->addItem(QStringLiteral("(not imported)"), kNotImported);
    const QList<int>& columns = m_mapping.Columns(nField);
    const bool bCombined = columns.size() > 1 || m_mapping.HasFallback(nField);
    if (bCombined)
        pCombo->addItem(m_mapping.Describe(nField, m_headers), kAsRecognised);
    for (int nColumn = 0; nColumn < m_headers.size(); ++nColumn)
        pCombo->addItem(m_headers[nColumn], nColumn);
    if (bCombined)
        pCombo->setCurrentIndex(1);
    else if (columns.size() == 1)
        pCombo->setCurrentIndex(pCombo->findData(columns.front()));
    m_comboFields.append(pCombo);
    return pCombo;
}

CImportOptions CDia_ImportMapping::Options() const {
    CImportOptions options;
    for (int nField = 0; nField < m_comboFields.size(); ++nField) {
        const int nChoice = m_comboFields[nField]->currentData().toInt();
        if (nChoice == kAsRecognised)
            options.mapping.TakeField(nField, m_mapping);
        else if (nChoice != kNotImported)
            options.mapping.SetColumns(nField, {nChoice});
    }
    options.strTemplate = m_comboTemplate->currentText();
    options.bUpdate = m_checkUpdate->isChecked();
    options.bTemplateForUpdated = options.bUpdate && m_checkTemplateForUpdated->isChecked();
    return options;
}

void CDia_ImportMapping::OnOK() {
    const int nEMail = CContactMapping::FieldIndex(QStringLiteral("EMail"));
    if (m_comboFields[nEMail]->currentData().toInt() == kNotImported) {
        WindowMessageBox(this, QStringLiteral("Choose the column that holds the e-mail address."));
        return;
    }
    accept();
}
