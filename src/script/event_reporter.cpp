#include "script/event_reporter.h"

#include <string>

#include "platform/platform.h"

namespace trelmix {

void ReportEvent(std::u16string_view source, std::u16string_view message) {
    constexpr std::size_t kLimit = 255;
    std::u16string text = u"\r\n\r\n";
    text.append(message.substr(0, kLimit - text.size()));
    platform::Current().ReportEvent(source, text);
}

}  // namespace trelmix
