#pragma once

#include "engine/contacts/CContactMapping.h"

#include <QString>

// The choices of an import: which columns fill which fields, the template of
// new records whose file gives none (and, when chosen, of updated ones too),
// and whether an address that is stored already has its other fields
// updated (else the row is skipped).
struct CImportOptions {
    CContactMapping mapping;
    QString strTemplate;
    bool bUpdate = false;
    bool bTemplateForUpdated = false;
};
