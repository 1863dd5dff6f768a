#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QList>
#include <functional>

// Stands in for the message boxes while it lives: records every request,
// answers m_nAnswer (OK unless the test says otherwise), and tells an
// optional observer.
class MessageBoxRecorder {
public:
    MessageBoxRecorder() {
        m_previous = SetMessageBoxHandler([this](const MessageBoxCall& call) {
            m_arrCalls.append(call);
            if (m_onCall)
                m_onCall(call);
            return m_nAnswer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(m_previous); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    QStringList Texts() const {
        QStringList arrTexts;
        for (const MessageBoxCall& call : m_arrCalls)
            arrTexts += call.strText;
        return arrTexts;
    }

    QList<MessageBoxCall> m_arrCalls;
    int m_nAnswer = IDOK;
    std::function<void(const MessageBoxCall&)> m_onCall;

private:
    MessageBoxHandler m_previous;
};
