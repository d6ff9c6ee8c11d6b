#include "common/files.h"

#include <chrono>
#include <filesystem>
#include <fstream>

namespace trelmix::cli {

std::string ReplaceFile(const std::string& path, std::string_view bytes) {
    namespace fs = std::filesystem;
    std::error_code e;
    const fs::perms perms = fs::status(path, e).permissions();
    if (e || (perms & fs::perms::owner_write) == fs::perms::none) return "the file is read-only";
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path temp = path + ".trelmix-" + std::to_string(stamp);
    {
        std::ofstream write(temp, std::ios::binary | std::ios::trunc);
        write.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        write.close();
        if (!write) {
            fs::remove(temp, e);
            return "cannot write " + temp.string();
        }
    }
    fs::permissions(temp, perms, e);
    fs::rename(temp, path, e);
    if (e) {
        fs::remove(temp, e);
        return "cannot replace it: " + e.message();
    }
    return {};
}

}  // namespace trelmix::cli
