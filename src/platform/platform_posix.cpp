// The POSIX backend. There is no SendInput: a host installs its own input sink
// and Caps Lock query with TRLM_SetPlatformHooks (without them records are
// dropped and Caps Lock reads off). The keyboard layout is US English and the
// ANSI code page Windows-1252, so a Linux host types what a Windows host would.
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/us_layout.h"
#include "platform/utf.h"

namespace trelmix::platform {

namespace {

class PosixBackend final : public Backend {
public:
    void ReportEvent(std::u16string_view source, std::u16string_view message) override {
        const std::string ident = ToUtf8(source);
        const std::string text = ToUtf8(message);
        openlog(ident.c_str(), LOG_PID, LOG_USER);
        syslog(LOG_INFO, "%s", text.c_str());
        closelog();
    }

    bool PathExists(const char16_t* path) override {
        struct stat st;
        return stat(ToUtf8(path).c_str(), &st) == 0;
    }

    bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) override {
        const int fd = open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } closer{fd};
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return false;
        bytes.assign(static_cast<std::size_t>(st.st_size), 0);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;  // the file shrank meanwhile: take what is there
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        return true;
    }

    void SendInput(std::uint32_t, const InputRecord*) override {}

    std::uint32_t MapVirtualKey(std::uint32_t virtualKey) override { return UsScanCode(virtualKey); }

    std::int16_t VkKeyScan(char16_t character) override { return UsVkKeyScan(character); }

    bool CapsLockOn() override { return false; }

    void Sleep(std::uint32_t milliseconds) override {
        timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }

    int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                        int outSize) override {
        if (codePage == 0 || codePage == 1252) return DecodeCp1252(bytes, count, out, outSize);
        return 0;
    }
};

}  // namespace

Backend& Native() {
    static PosixBackend backend;
    return backend;
}

}  // namespace trelmix::platform
