#include "app/desktop_color_scheme.hpp"

#include <gtk/gtk.h>

#include <cstring>

namespace quirelle {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.interface";
constexpr const char* kKey = "color-scheme";

}  // namespace

DesktopColorScheme::DesktopColorScheme() {
    // g_settings_new aborts on a schema that is not installed: look first.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source != nullptr ? g_settings_schema_source_lookup(source, kSchema, TRUE) : nullptr;
    if (schema == nullptr) {
        return;
    }
    const bool hasKey = g_settings_schema_has_key(schema, kKey);
    g_settings_schema_unref(schema);
    if (!hasKey || gtk_settings_get_default() == nullptr) {
        return;
    }
    settings_ = g_settings_new(kSchema);
    handler_ = g_signal_connect(settings_, "changed::color-scheme", G_CALLBACK(OnChanged), nullptr);
    Apply(settings_);
}

DesktopColorScheme::~DesktopColorScheme() {
    if (settings_ != nullptr) {
        g_signal_handler_disconnect(settings_, handler_);
        g_object_unref(settings_);
    }
}

void DesktopColorScheme::Apply(GSettings* settings) {
    gchar* scheme = g_settings_get_string(settings, kKey);
    const gboolean dark = scheme != nullptr && std::strcmp(scheme, "prefer-dark") == 0;
    g_free(scheme);
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark, nullptr);
}

void DesktopColorScheme::OnChanged(GSettings* settings, const char*, void*) {
    Apply(settings);
}

}  // namespace quirelle
