// UTF-16 to UTF-8 for the POSIX side (paths, syslog). Unpaired surrogates
// become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace trelmix::platform {

std::string ToUtf8(std::u16string_view text);

// A path for the POSIX calls: UTF-8, except that an unpaired U+DC80..U+DCFF
// is the byte 0x80..0xFF, so that a name that is not UTF-8 can be given.
std::string ToFileName(std::u16string_view path);

}  // namespace trelmix::platform
