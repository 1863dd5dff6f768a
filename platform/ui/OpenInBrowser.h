#pragma once

#include <functional>

class QUrl;

using BrowserHandler = std::function<bool(const QUrl& url)>;

// Opens the page in the user's web browser; false when none can be opened
// (no desktop session, or no program to open web pages).
bool OpenInBrowser(const QUrl& url);

// Replaces the browser (tests play it). An empty handler restores it.
// Returns the previous handler.
BrowserHandler SetBrowserHandler(BrowserHandler handler);
