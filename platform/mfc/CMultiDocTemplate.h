#pragma once

#include <QIcon>
#include <QString>
#include <functional>

class CDocument;
class CMDIChildWnd;
class CView;

// One kind of MDI child window: a resource id (which names its menu bar, if
// it has one) and the factories of its document, frame and view.
//
//   auto* pTemplate = new CMultiDocTemplate(129, CMultiDocTemplate::Make<CMyDoc>(),
//                                           CMultiDocTemplate::Make<CChildFrame>(),
//                                           CMultiDocTemplate::Make<CMyView>());
//   AfxGetApp()->AddDocTemplate(pTemplate);
//   CDocument* pDoc = pTemplate->OpenDocumentFile(QString(), true);
//
// A kind whose view factory is empty cannot open windows: OpenDocumentFile
// returns null and CanOpenDocument says so.
class CMultiDocTemplate {
public:
    using DocumentFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CMultiDocTemplate(unsigned nIDResource, DocumentFactory newDocument, FrameFactory newFrame,
                      ViewFactory newView);
    ~CMultiDocTemplate();
    CMultiDocTemplate(const CMultiDocTemplate&) = delete;
    CMultiDocTemplate& operator=(const CMultiDocTemplate&) = delete;

    // A factory for a class with a default constructor (the runtime class).
    template <class T> static std::function<T*()> Make() {
        return [] { return new T; };
    }

    unsigned GetResourceID() const { return m_nIDResource; }

    // The document string: seven fields separated by "\n" (window title,
    // document name, File New name, filter name, filter extension, file-type
    // id, file-type name). A kind without a File New name is never offered
    // by File New.
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };
    // The icon of the kind's windows.
    void SetIcon(const QIcon& icon) { m_icon = icon; }

    void SetDocString(const QString& strDocString) { m_strDocString = strDocString; }
    QString GetDocString(DocStringIndex nIndex) const;
    void SetViewFactory(ViewFactory newView);
    bool CanOpenDocument() const;

    // Creates a document, its frame and its view in the main frame's MDI
    // area, runs OnNewDocument and the view's OnInitialUpdate, and shows and
    // activates the window when bMakeVisible. A path is recorded as the
    // document's path name; nothing is read from it. Returns the document,
    // or null when any step fails (nothing is left behind).
    CDocument* OpenDocumentFile(const QString& strPathName, bool bMakeVisible);

    // One more frame and view on an existing document (Window New).
    CMDIChildWnd* CreateNewFrame(CDocument* pDocument, bool bMakeVisible);

private:
    const unsigned m_nIDResource;
    DocumentFactory m_newDocument;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
    QString m_strDocString;
    QIcon m_icon;
};
