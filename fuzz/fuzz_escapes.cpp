// Fuzz target: record escapes. Any bytes shown by the command read back as the
// same record, and any text the decoder accepts shows as bytes that decode to
// the same again.
#include <cstdint>
#include <string>
#include <vector>

#include "command_input.h"
#include "common/record_escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using trelmix::cli::DecodeRecordArgument;
    using trelmix::cli::EscapeBytes;
    std::string error;
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::string shown = EscapeBytes(data, size);
    if (DecodeRecordArgument(shown, error) != bytes) fuzz::Fail("shown bytes do not read back", shown);
    const auto decoded = DecodeRecordArgument(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!decoded) {
        if (error.empty()) fuzz::Fail("an escape refused without a reason", shown);
        return 0;
    }
    const std::string again = EscapeBytes(decoded->data(), decoded->size());
    if (DecodeRecordArgument(again, error) != decoded) fuzz::Fail("decoded bytes do not read back", again);
    const auto hex = trelmix::cli::EncodeHex(decoded->data(), decoded->size());
    if (trelmix::cli::DecodeHex(hex) != decoded) fuzz::Fail("hex does not read back", hex);
    return 0;
}
