#pragma once

#include "platform/mfc/CCmdTarget.h"

#include <QPointer>

class CDocument;
class CMDIChildWnd;
class QWidget;

// A view: a widget that shows a document and takes commands before its
// document and frame do. Mixed into a widget of any kind, which passes itself:
//
//   class CMyView : public QAbstractScrollArea, public CView {
//   public:
//       CMyView() : CView(this) { ON_COMMAND(ID_X, &CMyView::OnX); }
//       void OnInitialUpdate() override;  // document attached, not yet shown
//   };
//
// The framework creates views through a CMultiDocTemplate, attaches the
// document, puts the widget into its child frame and calls OnInitialUpdate.
class CView : public CCmdTarget {
public:
    explicit CView(QWidget* pWidget);
    ~CView() override;

    CDocument* GetDocument() const;
    CMDIChildWnd* GetParentFrame() const;
    QWidget* GetWidget() const { return m_pWidget; }

    virtual void OnInitialUpdate();

    // Called by the framework: attaches the view to pDocument (or detaches it).
    void SetDocument(CDocument* pDocument);

private:
    QWidget* m_pWidget;
    QPointer<CDocument> m_pDocument;
};
