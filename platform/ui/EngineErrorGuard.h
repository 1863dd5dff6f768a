#pragma once

#include <exception>
#include <functional>

// Shows an engine error's text (its what(), UTF-8) in the application's box.
void ReportEngineError(const std::exception& error);

// Runs one piece of work started from Qt's event loop (a command, a
// notification, a timer) and stops an engine error there: its text is shown,
// the rest of the work is abandoned and the program goes on, so that no
// exception crosses the event loop. Returns false when the work was abandoned.
template <typename Work> bool EngineErrorGuard(Work&& work) {
    try {
        std::invoke(std::forward<Work>(work));
        return true;
    } catch (const std::exception& error) {
        ReportEngineError(error);
        return false;
    }
}
