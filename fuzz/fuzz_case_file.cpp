// Fuzz target: a `.tests` file through the case-file reader and `trelmix
// test` on the library linked in (traced or as a host runs it, and with
// --update, which rewrites the scratch file).
// Input: [flags] [file]. Flags bit 0: no traces; bit 1: --update.
#include <cstdint>
#include <string>

#include "command_input.h"
#include "test/case_file.h"
#include "test/test_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 16384) return 0;
    const std::uint8_t flags = data[0];
    const std::string& path =
        fuzz::WriteScratch(std::string(reinterpret_cast<const char*>(data + 1), size - 1), ".tests");
    std::string error;
    if (!trelmix::cli::ReadCaseFile(path, error) && error.empty())
        fuzz::Fail("a refused test file without a reason", path);
    trelmix::cli::TestOptions options;
    options.files = {path};
    options.trace = !(flags & 1);
    options.update = flags & 2;
    fuzz::Io io;
    const int status = trelmix::cli::TestCommand(options, io.streams);
    if (status < 0 || status > 2) fuzz::Fail("test: exit status out of range", io.out.str());
    return 0;
}
