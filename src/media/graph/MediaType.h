// AM_MEDIA_TYPE helpers and the mapping between media types and GStreamer caps.
//
// In the graph an RGB24 frame in DIB order (BGR, rows bottom-up, each row padded to four
// bytes) travels as "video/x-dib, format=BGR": no GStreamer element makes or takes it by
// mistake, so every conversion to it is one of ours. GStreamer's own top-down BGR
// ("video/x-raw, format=BGR") maps to RGB24 with a negative biHeight, as on the platform.
// RGB32 is the same with four bytes a pixel (B, G, R, unused): "format=BGRx".
#pragma once

#include "media/com/DShow.h"
#include "media/gst/GstHandle.h"

inline constexpr const char* kDibCapsName = "video/x-dib";

// Frees the format block and the object reference; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees the format block and the record (allocated with CoTaskMemAlloc).
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Deep copy; E_OUTOFMEMORY when the format block cannot be allocated.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A CoTaskMemAlloc'ed deep copy, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

// The frame rate of a frame interval in 100 ns units: whole rates and the x/1.001 rates
// come out exact (333333 -> 30/1, 333667 -> 30000/1001).
void RateFromInterval(REFERENCE_TIME interval, int* numerator, int* denominator);

// Bytes per row of a DIB of this width and bit depth (rows padded to four bytes).
int DibStride(int width, int bitCount);

// Caps accepted for a media type: the subtype picks the caps name and format; a
// FORMAT_VideoInfo block adds width, height and frame rate. GUID_NULL as subtype accepts
// every video type. Empty caps for a type the layer cannot carry.
GstHandle<GstCaps> CapsFromMediaType(const AM_MEDIA_TYPE& mt);

// Describes fixed video caps as a media type with a VIDEOINFOHEADER (format block from
// CoTaskMemAlloc). False for caps that are not fixed video of a known format.
bool MediaTypeFromCaps(const GstCaps* caps, AM_MEDIA_TYPE* mt);

// The subtype of the first structure of caps (GUID_NULL when unknown).
GUID SubtypeFromCaps(const GstCaps* caps);
