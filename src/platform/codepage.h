// Code-page decoding shared by the POSIX backend and the simulated host. Windows-1252
// is decoded as Windows decodes it: the five bytes it leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become U+0081, U+008D, U+008F, U+0090, U+009D.
#pragma once

#include <cstdint>

namespace trelmix::platform {

// The UTF-16 unit for one Windows-1252 byte.
char16_t DecodeCp1252(std::uint8_t byte);

// MultiByteToWideChar's contract for Windows-1252 (code page 0, the ANSI code
// page, is 1252 here): with out == nullptr the count of units, else the number
// written (0 when outSize is too small).
int DecodeCp1252(const std::uint8_t* bytes, int count, char16_t* out, int outSize);

}  // namespace trelmix::platform
