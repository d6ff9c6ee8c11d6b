// The POSIX backend. There is no SendInput: a host installs its own input sink
// and Caps Lock query with TRLM_SetPlatformHooks (without them records are
// dropped and Caps Lock reads off), and may take the events that otherwise go
// to syslog. The keyboard layout is US English and the ANSI code page
// Windows-1252, so a Linux host types what a Windows host would; other code
// pages are decoded with iconv.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/codepage.h"
#include "platform/platform.h"
#include "platform/posix_hooks.h"
#include "platform/us_layout.h"
#include "platform/utf.h"

namespace trelmix::platform {

namespace {

PlatformHooks hooks{};

// The iconv name of a Windows code page number: CP<n> for most, the few
// Windows numbers iconv knows by another name mapped.
std::string IconvName(std::uint32_t codePage) {
    switch (codePage) {
    case 1: return "CP437";  // the OEM code page of a US system
    case 2:
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 65001: return "UTF-8";
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

// MultiByteToWideChar with flags 0 through iconv: a byte sequence the code
// page cannot decode becomes U+FFFD (one per byte), as Windows substitutes
// rather than fails. 0 for a code page iconv does not know, or when `out`
// is too small.
int DecodeWithIconv(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out, int outSize) {
    if (!bytes || count <= 0) return 0;
    iconv_t cd = iconv_open("UTF-16LE", IconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    struct Closer {
        iconv_t cd;
        ~Closer() { iconv_close(cd); }
    } closer{cd};

    long units = 0;
    bool overflow = false;
    auto put = [&](char16_t unit) {
        if (out) {
            if (units >= outSize) {
                overflow = true;
                return;
            }
            out[units] = unit;
        }
        ++units;
    };
    char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes));
    std::size_t inLeft = static_cast<std::size_t>(count);
    while (inLeft > 0 && !overflow) {
        unsigned char chunk[256];
        char* to = reinterpret_cast<char*>(chunk);
        std::size_t toLeft = sizeof chunk;
        const std::size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
        const std::size_t produced = sizeof chunk - toLeft;
        for (std::size_t i = 0; i + 1 < produced; i += 2) {
            put(static_cast<char16_t>(chunk[i] | (chunk[i + 1] << 8)));
        }
        if (error == EILSEQ || error == EINVAL) {
            put(u'\uFFFD');
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        } else if (error != 0 && error != E2BIG) {
            return 0;
        }
    }
    if (overflow || units > 0x7FFFFFFF) return 0;
    return static_cast<int>(units);
}

class PosixBackend final : public Backend {
public:
    void ReportEvent(std::u16string_view source, std::u16string_view message) override {
        if (hooks.eventSink) {
            const std::u16string s(source);
            const std::u16string m(message);
            hooks.eventSink(hooks.context, s.c_str(), m.c_str());
            return;
        }
        // Through the host's own syslog settings (ident, facility, mask):
        // an openlog here would replace them. The source goes in front of the
        // text, and the blank lines the message starts with are left out.
        const std::size_t start = message.find_first_not_of(u"\r\n");
        const std::string text = ToUtf8(message.substr(start == message.npos ? message.size() : start));
        syslog(LOG_INFO, "%s: %s", ToUtf8(source).c_str(), text.c_str());
    }

    bool PathExists(const char16_t* path) override {
        struct stat st;
        return stat(ToFileName(path).c_str(), &st) == 0;
    }

    bool ReadFile(const char16_t* path, std::uint64_t maxBytes, std::vector<std::uint8_t>& bytes) override {
        // Only a regular file is read. Opening anything else can block (a FIFO
        // waits for its writer) or act on a device, so it is refused before the
        // open, and the open itself does not wait, in case the path was
        // replaced meanwhile.
        const std::string name = ToFileName(path);
        struct stat st;
        if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
        const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return false;
        struct Closer {
            int fd;
            ~Closer() { close(fd); }
        } closer{fd};
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
        // A file whose size tells nothing (/proc gives 0) reads on to its end.
        for (char more[4096];;) {
            const ssize_t n = read(fd, more, sizeof more);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) return true;
            if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) return false;
            bytes.insert(bytes.end(), more, more + n);
        }
    }

    void SendInput(std::uint32_t count, const InputRecord* records) override {
        if (hooks.inputSink) hooks.inputSink(hooks.context, records, count);
    }

    std::uint32_t MapVirtualKey(std::uint32_t virtualKey) override { return UsScanCode(virtualKey); }

    std::int16_t VkKeyScan(char16_t character) override { return UsVkKeyScan(character); }

    bool CapsLockOn() override { return hooks.capsLockQuery && hooks.capsLockQuery(hooks.context) != 0; }

    void Sleep(std::uint32_t milliseconds) override {
        timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {}
    }

    int MultiByteToWide(std::uint32_t codePage, const std::uint8_t* bytes, int count, char16_t* out,
                        int outSize) override {
        // The ANSI code page (0, or 3 for the thread's) is Windows-1252; its
        // table decodes the five bytes iconv refuses as Windows does.
        if (codePage == 0 || codePage == 3 || codePage == 1252) return DecodeCp1252(bytes, count, out, outSize);
        return DecodeWithIconv(codePage, bytes, count, out, outSize);
    }
};

}  // namespace

void SetPosixHooks(const PlatformHooks* installed) { hooks = installed ? *installed : PlatformHooks{}; }

Backend& Native() {
    static PosixBackend backend;
    return backend;
}

}  // namespace trelmix::platform
