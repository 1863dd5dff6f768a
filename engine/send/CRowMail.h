#pragma once

#include <QString>

// One table row's mail as it would be sent: its texts after assembly. When
// the template could not be opened, only the row's own texts are filled.
struct CRowMail {
    int nItem = -1;
    QString strEMail;
    QString strName;
    QString strTemplate;
    bool bTemplateOpened = false;
    QString strSubject;
    QString strAttachments;
    QString strBody;
    // What the assembly said when it could not read the template.
    QString strAssemblyMessage;
};
