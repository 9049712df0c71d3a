// libFuzzer target: the number a picture or video file name carries. Beside memory faults it
// checks that an accepted number and its successor fit a 32-bit signed integer.
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/NarrowString.h"
#include "settings/NumberedFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Names are read from the folder as the file finder reads them.
    const QString name = FromNarrow(QByteArrayView(data, static_cast<qsizetype>(size)));
    (void)ParseLeadingDouble(name);
    if (const auto number = NumberOfFileName(name)) {
        if (*number == std::numeric_limits<std::int32_t>::max()) {
            std::fprintf(stderr, "file_name_fuzz: accepted number has no successor\n");
            std::abort();
        }
    }
    return 0;
}
