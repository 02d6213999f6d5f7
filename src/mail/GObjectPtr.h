// Owning pointer to a GLib object (GMime's messages, parts and streams), unreferenced when it
// goes.
#pragma once

#include <glib-object.h>

#include <memory>

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
