#include "views/CSendMessageCapture.h"

CSendMessageCapture::CSendMessageCapture(bool bShow)
    : m_bShow(bShow), m_previous(SetMessageBoxHandler(
                          [this](const MessageBoxCall& call) { return Handle(call); })) {}

CSendMessageCapture::~CSendMessageCapture() {
    SetMessageBoxHandler(m_previous);
}

// The box goes to whoever showed boxes before this capture began (the real
// boxes, or a test's recorder), with this capture out of the way meanwhile.
int CSendMessageCapture::Handle(const MessageBoxCall& call) {
    m_arrTexts << call.strText;
    if (!m_bShow)
        return IDOK;
    MessageBoxHandler own = SetMessageBoxHandler(m_previous);
    const int nAnswer = ShowAgain(call);
    SetMessageBoxHandler(own);
    return nAnswer;
}

int CSendMessageCapture::ShowAgain(const MessageBoxCall& call) {
    switch (call.kind) {
    case MessageBoxCall::Application:
        return AfxMessageBox(call.strText, call.nType);
    case MessageBoxCall::System:
        return MessageBoxA(call.pOwner, call.strText, call.strCaption, call.nType);
    case MessageBoxCall::Window:
        break;
    }
    return WindowMessageBox(call.pOwner, call.strText, call.nType);
}
