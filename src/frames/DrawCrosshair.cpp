#include "frames/DrawCrosshair.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

LONG RgbStride(LONG width, WORD bitCount) {
    if (width <= 0) return 0;
    const std::int64_t stride = (static_cast<std::int64_t>(width) * (bitCount / 8) + 3) & ~3;
    return stride > INT32_MAX ? 0 : static_cast<LONG>(stride);
}

void DrawCrosshair(BYTE* frame, LONG width, LONG height, LONG length, WORD bitCount) {
    if (frame == nullptr || width <= 0 || height == 0 || length <= 0) return;
    const std::int64_t stride = RgbStride(width, bitCount);
    if (stride == 0) return;
    const std::int64_t pixel = bitCount / 8;
    const std::int64_t rowBytes = static_cast<std::int64_t>(width) * pixel;
    const std::int64_t rows = std::llabs(static_cast<std::int64_t>(height));
    const std::int64_t size = length;

    // Vertical line: column width / 2 of every row the buffer holds.
    const std::int64_t column = static_cast<std::int64_t>(width / 2) * pixel;
    for (std::int64_t r = 0; r < rows; ++r) {
        const std::int64_t offset = r * stride + column;
        if (offset + pixel > size) break;
        std::memset(frame + offset, 0xFF, static_cast<std::size_t>(pixel));
    }

    // Horizontal line: the whole storage row |height| / 2, as far as the buffer holds it.
    const std::int64_t start = (rows / 2) * stride;
    if (start < size) {
        const std::int64_t count = rowBytes < size - start ? rowBytes : size - start;
        std::memset(frame + start, 0xFF, static_cast<std::size_t>(count));
    }
}
