// What the stream format page offers: the capture output's capabilities (IAMStreamConfig)
// turned into choices of colour space / compression, output size and frame rate, and the
// media type that makes one choice the output's format. Pure rules over capability data;
// read() gathers that data from a stream configuration interface.
#pragma once

#include <QString>
#include <vector>

#include "media/com/DShow.h"

namespace lumi::pages {

// One capability as the stream configuration reports it.
struct StreamCapability {
    GUID subtype{};
    int width = 0;   // of the capability's media type
    int height = 0;  // its absolute value
    VIDEO_STREAM_CONFIG_CAPS caps{};
    // The frame intervals offered (100 ns); empty: only the caps' interval range is known.
    std::vector<REFERENCE_TIME> intervals;
};

// One choice of subtype and size, with its frame intervals (shortest first).
struct FormatEntry {
    int capsIndex = 0;
    GUID subtype{};
    int width = 0;
    int height = 0;
    std::vector<REFERENCE_TIME> intervals;
};

class StreamFormatModel {
public:
    StreamFormatModel() = default;
    // Entries in the capabilities' order. A capability with a range of output sizes gives
    // the usual sizes inside it that fit its granularity, and its largest size; a size met
    // twice for one subtype keeps its first capability. Capabilities with a zero size are
    // left out.
    explicit StreamFormatModel(const std::vector<StreamCapability>& capabilities);

    // The capabilities of config (E_POINTER for none; the failing call's code).
    static HRESULT read(IAMStreamConfig* config, std::vector<StreamCapability>* capabilities);

    const std::vector<FormatEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }
    // The subtypes in order of first appearance.
    std::vector<GUID> subtypes() const;
    // The indexes of the entries of a subtype.
    std::vector<int> entriesOf(const GUID& subtype) const;
    // The entry of subtype at width x |height|, or -1.
    int find(const GUID& subtype, int width, int height) const;
    // The interval of the entry nearest to interval (its shortest for 0 or none).
    static REFERENCE_TIME nearestInterval(const FormatEntry& entry, REFERENCE_TIME interval);

    // "YUY2", "MJPG", else the subtype's four characters (or "?").
    static QString subtypeName(const GUID& subtype);
    // "1280 x 720".
    static QString sizeLabel(int width, int height);
    // "30 fps", "29.97 fps", "7.5 fps".
    static QString rateLabel(REFERENCE_TIME interval);

    // The media type for an entry at an interval: the capability's own type with the size,
    // frame interval and image size set (CoTaskMemAlloc; DeleteMediaType frees it). Null when
    // the capability cannot be read.
    static AM_MEDIA_TYPE* mediaTypeFor(IAMStreamConfig* config, const FormatEntry& entry,
                                       REFERENCE_TIME interval);

private:
    std::vector<FormatEntry> entries_;
};

}  // namespace lumi::pages
