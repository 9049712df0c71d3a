#include "media/gst/GstLog.h"

#include <gst/gst.h>

#include <QByteArray>
#include <mutex>

#include "platform/Logging.h"

namespace {

void LogToCategory(GstDebugCategory* category, GstDebugLevel level, const gchar* file,
                   const gchar* function, gint line, GObject* object, GstDebugMessage* message,
                   gpointer) {
    if (level > GST_LEVEL_WARNING) return;
    const char* text = gst_debug_message_get(message);
    const char* kind = level == GST_LEVEL_ERROR ? "error" : "warning";
    gchar* source = object && GST_IS_OBJECT(object)
                        ? gst_object_get_path_string(GST_OBJECT_CAST(object))
                        : nullptr;
    qCWarning(lcMedia, "GStreamer %s: %s (%s, %s:%d %s%s%s)", kind, text ? text : "",
              gst_debug_category_get_name(category), file, line, function, source ? " " : "",
              source ? source : "");
    g_free(source);
}

}  // namespace

void RouteGStreamerLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!lcMedia().isWarningEnabled()) return;
        gst_debug_add_log_function(&LogToCategory, nullptr, nullptr);
        if (qEnvironmentVariableIsEmpty("GST_DEBUG")) {
            gst_debug_remove_log_function(gst_debug_log_default);
            if (gst_debug_get_default_threshold() < GST_LEVEL_WARNING)
                gst_debug_set_default_threshold(GST_LEVEL_WARNING);
        }
    });
}
