#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QStringList>

// Collects the texts of the message boxes that one piece of work shows, for
// as long as it lives. With bShow the boxes still come up as they would
// without it (a single mail shows its messages as ever); without, they are
// only collected (a run of many puts them into its report).
class CSendMessageCapture {
public:
    explicit CSendMessageCapture(bool bShow);
    ~CSendMessageCapture();
    CSendMessageCapture(const CSendMessageCapture&) = delete;
    CSendMessageCapture& operator=(const CSendMessageCapture&) = delete;

    const QStringList& Texts() const { return m_arrTexts; }

private:
    int Handle(const MessageBoxCall& call);
    static int ShowAgain(const MessageBoxCall& call);

    bool m_bShow;
    QStringList m_arrTexts;
    MessageBoxHandler m_previous;
};
