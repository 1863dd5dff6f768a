#pragma once

#include <functional>

using BeepHandler = std::function<void(unsigned nFrequency, unsigned nDuration)>;

// A short click: through the desktop's sound server, or the X bell without one.
void Beep(unsigned nFrequency, unsigned nDuration);

// Replaces the sound (tests count the clicks). An empty handler restores it.
// Returns the previous handler.
BeepHandler SetBeepHandler(BeepHandler handler);
