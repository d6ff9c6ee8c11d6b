#include "platform/codepage.h"

namespace trelmix::platform {

char16_t DecodeCp1252(std::uint8_t byte) {
    // 0x80..0x9F; undefined bytes map to themselves, as Windows does.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

int DecodeCp1252(const std::uint8_t* bytes, int count, char16_t* out, int outSize) {
    if (!bytes || count <= 0) return 0;
    if (!out) return count;
    if (outSize < count) return 0;
    for (int i = 0; i < count; ++i) out[i] = DecodeCp1252(bytes[i]);
    return count;
}

}  // namespace trelmix::platform
