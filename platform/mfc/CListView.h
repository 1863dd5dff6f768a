#pragma once

#include "platform/mfc/CView.h"
#include "platform/ui/CListCtrl.h"

// A view that is a report-style list control. Derive from it, map commands in
// the constructor and fill the list in OnInitialUpdate:
//
//   class CMyTable : public CListView {
//       void OnInitialUpdate() override { GetListCtrl().InsertColumn(...); }
//   };
class CListView : public CListCtrl, public CView {
    Q_OBJECT

public:
    explicit CListView(QWidget* pParent = nullptr);
    ~CListView() override;

    CListCtrl& GetListCtrl() { return *this; }
};
