#pragma once
// Owners of the engine's C handles (GObjects, GErrors, cairo surfaces, GLib sources), so that
// every early return lets go of what it took. Included by the layer's sources only: it pulls in
// the toolkit's headers.
#include <memory>

#include <cairo.h>
#include <glib-object.h>
#include <gtk/gtk.h>

namespace kvn::gobject {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct SourceDestroy {
    void operator()(GSource* source) const
    {
        g_source_destroy(source);
        g_source_unref(source);
    }
};
// A top-level window belongs to the toolkit until it is destroyed; destroying it releases
// what it holds.
struct WidgetDestroy {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
struct CharFree {
    void operator()(char* text) const { g_free(text); }
};

template <typename T>
using Owned = std::unique_ptr<T, ObjectUnref>;
using OwnedError = std::unique_ptr<GError, ErrorFree>;
using OwnedSurface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;
using OwnedSource = std::unique_ptr<GSource, SourceDestroy>;
using OwnedChars = std::unique_ptr<char, CharFree>;
using OwnedWindow = std::unique_ptr<GtkWidget, WidgetDestroy>;

// Takes a new reference to an object someone else owns.
template <typename T>
Owned<T> retained(T* object)
{
    return Owned<T>(object ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

} // namespace kvn::gobject
