#pragma once

#include <glib-object.h>
#include <memory>

// Owns one reference to a GObject (GMime's messages, parts, streams and
// address lists) and drops it when it goes out of scope.
struct GObjectUnref {
    void operator()(gpointer pObject) const { g_object_unref(pObject); }
};

template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
