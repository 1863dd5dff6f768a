#pragma once

#include "platform/mfc/CCmdTarget.h"

#include <QList>
#include <QObject>
#include <QString>

class CView;

// A document: the data behind one or more views. The framework creates it
// through a CMultiDocTemplate, calls OnNewDocument, attaches the view, and
// deletes the document when its last view goes away.
//
//   class CMyDoc : public CDocument {
//       bool OnNewDocument() override {
//           if (!CDocument::OnNewDocument()) return false;
//           SetTitle(QStringLiteral("..."));
//           return true;
//       }
//   };
//
// Frames show the title and follow titleChanged.
class CDocument : public QObject, public CCmdTarget {
    Q_OBJECT

public:
    explicit CDocument(QObject* pParent = nullptr);
    ~CDocument() override;

    virtual bool OnNewDocument();
    // Opening a file: the default checks that it can be read (and says so
    // when it cannot); a document that stores nothing reads nothing more.
    virtual bool OnOpenDocument(const QString& strPathName);
    // File Close: closes every window of this document.
    virtual void OnCloseDocument();

    void SetTitle(const QString& strTitle);
    const QString& GetTitle() const { return m_strTitle; }
    // Records the file and makes its name the title.
    void SetPathName(const QString& strPathName);
    const QString& GetPathName() const { return m_strPathName; }

    // The views attached to this document, in the order they were added.
    const QList<CView*>& GetViews() const { return m_views; }
    void AddView(CView* pView);
    void RemoveView(CView* pView);

Q_SIGNALS:
    void titleChanged(const QString& strTitle);
    // A view was added or removed (frames number their captions by it).
    void viewsChanged();

private:
    QString m_strTitle;
    QString m_strPathName;
    QList<CView*> m_views;
};
