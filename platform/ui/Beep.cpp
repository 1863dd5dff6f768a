#include "platform/ui/Beep.h"

#include <QApplication>
#include <canberra.h>
#include <memory>
#include <utility>

namespace {

BeepHandler& Handler() {
    static BeepHandler handler;
    return handler;
}

struct ContextDeleter {
    void operator()(ca_context* pContext) const { ca_context_destroy(pContext); }
};

// One sound-server connection for the whole run, made at the first click.
ca_context* SoundContext() {
    static const std::unique_ptr<ca_context, ContextDeleter> pContext = [] {
        ca_context* pNew = nullptr;
        if (ca_context_create(&pNew) != CA_SUCCESS)
            return std::unique_ptr<ca_context, ContextDeleter>();
        const QByteArray name = QCoreApplication::applicationName().toUtf8();
        ca_context_change_props(pNew, CA_PROP_APPLICATION_NAME, name.constData(), nullptr);
        return std::unique_ptr<ca_context, ContextDeleter>(pNew);
    }();
    return pContext.get();
}

// The sound theme's volume-change sound is its shortest: a click.
bool PlayClick() {
    ca_context* pContext = SoundContext();
    return pContext && ca_context_play(pContext, 0, CA_PROP_EVENT_ID, "audio-volume-change",
                                       nullptr) == CA_SUCCESS;
}

} // namespace

// A click has no pitch or length; the handler still gets the ones asked for.
void Beep(unsigned nFrequency, unsigned nDuration) {
    if (Handler()) {
        Handler()(nFrequency, nDuration);
        return;
    }
    if (!PlayClick())
        QApplication::beep();
}

BeepHandler SetBeepHandler(BeepHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}
