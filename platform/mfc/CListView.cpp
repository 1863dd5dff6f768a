#include "platform/mfc/CListView.h"

CListView::CListView(QWidget* pParent) : CListCtrl(pParent), CView(this) {}

CListView::~CListView() = default;
