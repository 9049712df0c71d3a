// GStreamer's own log (warning level and above) into the media layer's logging category.
#pragma once

// Installs the log function when the category shows warnings (QT_LOGGING_RULES), once per
// process, after GStreamer has started. Where GST_DEBUG is set, GStreamer keeps its own
// output beside ours; else only ours is written.
void RouteGStreamerLog();
