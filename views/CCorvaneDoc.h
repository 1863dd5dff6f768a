#pragma once

#include "platform/mfc/CDocument.h"

// The document of every child window. It holds no data: a text window shows
// what its view holds, a table window what the database holds.
class CCorvaneDoc : public CDocument {
    Q_OBJECT

public:
    explicit CCorvaneDoc(QObject* pParent = nullptr);
    ~CCorvaneDoc() override;

    bool OnNewDocument() override;
};
