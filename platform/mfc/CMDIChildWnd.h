#pragma once

#include "platform/mfc/CCmdTarget.h"

#include <QMdiSubWindow>
#include <QPointer>

class CDocument;
class CMultiDocTemplate;
class CView;

// An MDI child window holding one view. Its caption is its document's title
// and follows it. It routes commands to its view and document before it takes
// them itself (see CMDIFrameWnd). Created by CMultiDocTemplate; closing it
// deletes the view, and the document goes with its last view.
class CMDIChildWnd : public QMdiSubWindow, public CCmdTarget {
    Q_OBJECT

public:
    explicit CMDIChildWnd(QWidget* pParent = nullptr);
    ~CMDIChildWnd() override;

    // Called by the framework when it builds the window.
    void SetView(CView* pView, CDocument* pDocument, CMultiDocTemplate* pTemplate);

    CView* GetActiveView() const;
    CDocument* GetActiveDocument() const;
    CMultiDocTemplate* GetDocTemplate() const { return m_pTemplate; }

    // Routes a command to the view, then the document, then this frame.
    bool RouteCmdMsg(unsigned nID, CCmdUI* pCmdUI);

private:
    void OnUpdateFrameTitle();

    CView* m_pView = nullptr;
    QPointer<QWidget> m_pViewWidget; // guards m_pView: the view dies with its widget
    QPointer<CDocument> m_pDocument;
    CMultiDocTemplate* m_pTemplate = nullptr;
};
