// UTF-16 to UTF-8 for the POSIX side (paths, syslog). Unpaired surrogates
// become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace trelmix::platform {

std::string ToUtf8(std::u16string_view text);

}  // namespace trelmix::platform
