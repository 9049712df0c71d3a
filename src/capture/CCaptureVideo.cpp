#include "capture/CCaptureVideo.h"

CCaptureVideo::CCaptureVideo() = default;

CCaptureVideo::~CCaptureVideo() = default;
