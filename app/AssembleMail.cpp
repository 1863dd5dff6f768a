#include "views/Globals.h"
#include "store/CAddressDatabase.h"

// The program's mail is assembled from the folder it was started in.
void CAddressDatabase::AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend) {
    AssembleMail(list, nItem, pPreview, bSend, g_strStartDir);
}
