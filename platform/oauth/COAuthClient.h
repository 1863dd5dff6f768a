#pragma once

#include "platform/oauth/COAuthReply.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QNetworkAccessManager;
class QUrl;

// Posts forms to an OAuth 2.0 provider's endpoints on the thread's event
// loop and hands each reply to a callback. No redirect is followed; a reply
// that has not come within a minute counts as unreachable. Destroying the
// client abandons every request under way: their callbacks never come.
class COAuthClient : public QObject {
public:
    using Form = QList<QPair<QString, QString>>;
    using Callback = std::function<void(const COAuthReply&)>;

    explicit COAuthClient(QObject* pParent = nullptr);

    void Post(const QUrl& url, const Form& form, Callback callback);

private:
    QNetworkAccessManager* m_pNetwork;
};
