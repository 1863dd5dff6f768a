#include "views/CCorvaneDoc.h"

CCorvaneDoc::CCorvaneDoc(QObject* pParent) : CDocument(pParent) {}

CCorvaneDoc::~CCorvaneDoc() = default;

bool CCorvaneDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return false;
    SetTitle(QStringLiteral("Clipboard contens"));
    return true;
}
