// The out-of-memory sweep (tests/oom/sweep.h) through the shipped 32-bit DLL
// in the emulated host: the DLL's malloc fails the chosen allocation. Its
// C++ runtime must turn that into the defined answers by unwinding inside
// the emulator; a call to abort(), or any other fault, fails the sweep. After
// it the DLL detaches and must have freed every block.
//   trelmix_x86_oom_tests trelmix.dll     (exit 77: the DLL is not built)
#include <cstdio>
#include <filesystem>

#include "library.h"
#include "sweep.h"

namespace {

using trelmix::x86::Library;

class Emulated final : public trelmix::oom::Target {
public:
    explicit Emulated(Library& library) : library_(library) {}

    bool Assign(const HostId& id, const std::string& script, trelmix::oom::Failure failure) override {
        Arm(failure);
        const bool ok = library_.AssignScript(id, std::u16string(script.begin(), script.end()));
        Disarm();
        return ok;
    }
    bool IsRegistered(const HostId& id) override { return library_.IsRegistered(id); }
    std::string Execute(const HostId& id, const std::string& record, std::uint32_t codeType, bool into,
                        std::int32_t& status, trelmix::oom::Failure failure) override {
        const std::vector<std::uint8_t> bytes(record.begin(), record.end());
        Arm(failure);
        const Library::Outcome o =
            library_.Execute(id, bytes, static_cast<std::uint32_t>(bytes.size() + 256), codeType, 0, into);
        Disarm();
        status = o.status;
        return std::string(o.buffer.begin(), o.buffer.begin() + o.length);
    }
    bool Failed() override { return failed_; }

private:
    void Arm(trelmix::oom::Failure f) { library_.heap().FailAt(f.at, f.persistent); }
    void Disarm() {
        failed_ = library_.heap().Failed();
        library_.heap().FailAt(-1, false);
    }

    Library& library_;
    bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s trelmix.dll\n", argv[0]);
        return 2;
    }
    if (!std::filesystem::exists(argv[1])) {
        std::printf("%s is not built (the windows-x86 preset builds it): skipped\n", argv[1]);
        return 77;
    }
    try {
        Library library(argv[1]);
        const Library::Transmit transmit;
        library.SetTransmitObject(&transmit);
        Emulated target(library);
        const int failures = trelmix::oom::Sweep(target, "i686 DLL");
        library.SetTransmitObject(nullptr);
        library.Close();
        return failures == 0 ? 0 : 1;
    } catch (const trelmix::x86::Fault& e) {
        std::fprintf(stderr, "the emulated DLL faulted: %s\n", e.what());
        return 1;
    }
}
