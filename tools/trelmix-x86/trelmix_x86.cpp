// trelmix-x86: `trelmix run` over the shipped 32-bit DLL, executed in an
// emulated 32-bit Windows host. Same options, same output, same exit
// statuses; the records go through the DLL's exports instead of the library
// linked in.
//   trelmix-x86 --dll build/windows-x86/bin/trelmix.dll run [trelmix run's options and arguments]
// Exit status 3: the DLL faulted (or called what this host lacks); why on
// standard error.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "command_line.h"
#include "library.h"

namespace trelmix::x86 {

namespace {

constexpr int kExitFault = 3;

// trelmix run's simulated host around the DLL: one host id, the host options
// as the TransmitObject and emulator, the host's Caps Lock and sleeps.
class X86Engine final : public cli::Engine {
public:
    X86Engine(const std::string& dll, const HostId& id, const cli::HostOptions& o) : library_(dll), id_(id) {
        library_.host().capsLock = o.capsLock;
        library_.host().realSleep = o.realTime;
        const Library::Transmit transmit{o.textEncoding, o.typingContext, o.delayMs, o.keyCodeMode};
        library_.SetTransmitObject(o.transmit ? &transmit : nullptr);
    }

    // As a host unloads the plug-in: no transmit object, the script removed,
    // the DLL detached. A fault here still fails the command; after a fault
    // (on its way to main) nothing more runs.
    ~X86Engine() override {
        if (library_.Faulted()) return;
        try {
            library_.SetTransmitObject(nullptr);
            library_.AssignScript(id_, u"");
            library_.Close();
        } catch (const Fault& e) {
            std::cout.flush();
            std::fprintf(stderr, "trelmix-x86: %s\n", e.what());
            std::exit(kExitFault);
        }
    }

    std::string Untraced() const override {
        return "the shipped DLL cannot explain a run: it reports no steps (trelmix run --explain can, on the "
               "library linked in)";
    }

    cli::Assignment Assign(const std::u16string& script) override {
        library_.host().events.clear();
        cli::Assignment a;
        a.assigned = library_.AssignScript(id_, script);
        a.events = std::move(library_.host().events);
        library_.host().events.clear();
        return a;
    }

    cli::RecordResult Execute(const std::vector<std::uint8_t>& record, std::uint32_t codeType,
                              std::uint32_t protocol) override {
        library_.host().output.clear();
        const Library::Outcome o = library_.Execute(id_, record, kCapacity, codeType, protocol);
        cli::RecordResult r;
        r.status = o.status;
        r.length = o.length;
        // A record too long for the buffer was not copied back: show it as passed.
        const std::size_t shown =
            o.status == TRLM_STATUS_TOO_LONG ? record.size() : std::min<std::size_t>(o.length, o.buffer.size());
        r.bytes.assign(o.buffer.begin(), o.buffer.begin() + static_cast<std::ptrdiff_t>(shown));
        r.output = std::move(library_.host().output);
        library_.host().output.clear();
        return r;
    }

private:
    Library library_;
    HostId id_;
};

}  // namespace

}  // namespace trelmix::x86

int main(int argc, char** argv) {
    using namespace trelmix;
    std::string dll;
    cli::Program program;
    program.name = "trelmix-x86";
    program.description =
        "trelmix run over the shipped 32-bit DLL, executed in an emulated 32-bit Windows host: the same options, "
        "output and exit statuses.";
    program.exitStatus =
        "Exit status: 0 ok; 1 assigning the script failed; 2 usage error; 3 the DLL faulted in "
        "the emulator (the reason on standard error).";
    program.check = false;
    program.options = [&dll](CLI::App& app) {
        app.add_option("--dll", dll, "The 32-bit trelmix.dll to run")->required()->check(CLI::ExistingFile);
    };
    program.engine = [&dll](const HostId& id, const cli::HostOptions& options) {
        return std::make_unique<x86::X86Engine>(dll, id, options);
    };
    try {
        return cli::CommandLine(argc, argv, program);
    } catch (const x86::Fault& e) {
        std::cout.flush();
        std::fprintf(stderr, "trelmix-x86: %s\n", e.what());
        return x86::kExitFault;
    }
}
