// What the command's fuzz targets share: an input split into its first byte
// (each target's flags) and the rest, a scratch file holding the rest for the
// readers that take a path, and the streams a command writes to.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "common/host_id.h"
#include "run/run.h"

namespace fuzz {

// A file of this process's own in the temporary folder, rewritten per input.
inline const std::string& ScratchPath(const char* suffix) {
    static const std::string path = [&] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/trelmix-fuzz-" + std::to_string(getpid()) + suffix;
    }();
    return path;
}

inline const std::string& WriteScratch(const std::string& bytes, const char* suffix) {
    const std::string& path = ScratchPath(suffix);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

struct Io {
    std::istringstream in;
    std::ostringstream out, err;
    trelmix::cli::Streams streams{in, out, err};
};

inline void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace fuzz
