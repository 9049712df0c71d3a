// Narrow strings: the bytes the file system and the settings file hold, carried in QString
// without loss. Bytes that form UTF-8 become their characters; every other byte b becomes
// the lone surrogate U+DC00 + b, which no UTF-8 text decodes to, so ToNarrow gives back
// exactly the bytes FromNarrow was given (a folder whose name is not UTF-8 stays usable).
// Wide strings (the media layer's file names, UTF-32) carry such surrogates unchanged.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

QString FromNarrow(QByteArrayView bytes);
QByteArray ToNarrow(QStringView text);

std::wstring ToWide(QStringView text);
QString FromWide(std::wstring_view text);
