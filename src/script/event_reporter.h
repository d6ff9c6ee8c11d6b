// The one log the library writes: one information event per compilation,
// under the source "TRELMIX", through the platform layer (the Windows event
// log; syslog on POSIX).
#pragma once

#include <string_view>

namespace trelmix {

inline constexpr std::u16string_view kEventSource = u"TRELMIX";

// Puts CR LF CR LF in front of the message and cuts the whole to at most 255
// characters, then writes it as one event.
void ReportEvent(std::u16string_view source, std::u16string_view message);

}  // namespace trelmix
