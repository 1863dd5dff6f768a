#include "app/CChildFrame.h"

CChildFrame::CChildFrame(QWidget* pParent) : CMDIChildWnd(pParent) {}

CChildFrame::~CChildFrame() = default;
