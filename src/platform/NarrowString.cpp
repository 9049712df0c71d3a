#include "platform/NarrowString.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // byte b (0x80..0xFF) is U+DC00 + b

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at bytes[i] (no overlong forms, no surrogates,
// nothing above U+10FFFF); 0 when there is none.
qsizetype SequenceLength(QByteArrayView bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[i + k]); };
    const qsizetype left = bytes.size() - i;
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && IsContinuation(at(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !IsContinuation(at(1)) || !IsContinuation(at(2))) return 0;
        if (lead == 0xE0 && at(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && at(1) >= 0xA0) return 0;  // a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !IsContinuation(at(1)) || !IsContinuation(at(2)) ||
            !IsContinuation(at(3))) {
            return 0;
        }
        if (lead == 0xF0 && at(1) < 0x90) return 0;   // overlong
        if (lead == 0xF4 && at(1) >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

void AppendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendCodePoint(QString& text, char32_t c) {
    if (c > 0x10FFFF) c = QChar::ReplacementCharacter;
    if (QChar::requiresSurrogates(c)) {
        text += QChar(QChar::highSurrogate(c));
        text += QChar(QChar::lowSurrogate(c));
    } else {
        text += QChar(static_cast<char16_t>(c));
    }
}

bool IsEscapedByte(char32_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

// Calls f with each code point of text: surrogate pairs joined, lone surrogates as they are.
template <typename F>
void ForEachCodePoint(QStringView text, F f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text[++i].unicode()));
        } else {
            f(char32_t{c});
        }
    }
}

}  // namespace

QString FromNarrow(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = SequenceLength(bytes, i);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kEscapeBase + lead));
            ++i;
            continue;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (qsizetype k = 1; k < length; ++k)
            c = (c << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        AppendCodePoint(text, c);
        i += length;
    }
    return text;
}

QByteArray ToNarrow(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t c) {
        if (IsEscapedByte(c)) {
            bytes += static_cast<char>(c - kEscapeBase);
        } else if (QChar::isSurrogate(c)) {
            AppendUtf8(bytes, QChar::ReplacementCharacter);  // no narrow string gives it
        } else {
            AppendUtf8(bytes, c);
        }
    });
    return bytes;
}

std::wstring ToWide(QStringView text) {
    std::wstring wide;
    wide.reserve(static_cast<std::size_t>(text.size()));
    ForEachCodePoint(text, [&](char32_t c) { wide += static_cast<wchar_t>(c); });
    return wide;
}

QString FromWide(std::wstring_view text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const wchar_t c : text) AppendCodePoint(result, static_cast<char32_t>(c));
    return result;
}
