#include "process.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace trelmix::x86 {

namespace {

constexpr std::uint32_t kProcessDetach = 0, kProcessAttach = 1;

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    if (!in || !in.seekg(0).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        throw Fault("cannot read " + path);
    }
    return bytes;
}

}  // namespace

std::string Imports::Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::uint32_t Imports::Bind(Calls& calls, const std::string& dll, const std::string& name) {
    const auto it = table_.find(Key(dll, name));
    if (it == table_.end()) {
        const std::string what = dll + "!" + name;
        return calls.Stub(name, 0, [what](const Args&) -> std::uint32_t {
            throw Fault("the DLL called " + what + ", which this host does not implement");
        });
    }
    return it->second.function ? calls.Stub(name, it->second.popBytes, it->second.function) : it->second.data;
}

Process::Process(const std::string& dllPath)
    : heap(machine, layout::kHeap, layout::kHeapSize, true),
      hostHeap(machine, layout::kHost, layout::kHostSize, false) {
    image = LoadPe(machine, ReadWholeFile(dllPath), layout::kImage);
    AddWin32Imports(*this, imports);
    AddCrtImports(*this, imports);
    for (const PeImage::Import& i : image.imports) machine.Write32(i.slot, imports.Bind(calls, i.dll, i.name));
    SetUpTls();
    Notify(kProcessAttach);
    attached_ = true;
}

// The loader's TLS for the DLL: index 0, its block a copy of the template
// (and the zero fill), reached through the TEB's ThreadLocalStoragePointer.
void Process::SetUpTls() {
    if (image.tlsIndexSlot == 0) return;
    const std::uint32_t templateSize = image.tlsEnd - image.tlsStart;
    const std::uint32_t block = hostHeap.Allocate(templateSize + image.tlsZeroFill);
    const std::uint32_t array = hostHeap.Allocate(4);
    machine.Write(block, machine.Pointer(image.tlsStart, templateSize), templateSize);
    std::fill_n(machine.Pointer(block + templateSize, image.tlsZeroFill), image.tlsZeroFill, 0);
    machine.Write32(array, block);
    machine.Write32(layout::kTeb + 0x2C, array);
    machine.Write32(image.tlsIndexSlot, 0);
}

// As the loader notifies a DLL: the TLS callbacks, then DllMain, each
// (module, reason, reserved) __stdcall. Reserved 0: FreeLibrary, not exit.
void Process::Notify(std::uint32_t reason) {
    for (std::uint32_t callback : image.tlsCallbacks) {
        Call("a TLS callback", callback, Calls::Convention::Stdcall, {image.base, reason, 0});
    }
    if (Call("DllMain", image.entry, Calls::Convention::Stdcall, {image.base, reason, 0}) == 0 &&
        reason == kProcessAttach) {
        throw Fault("DllMain refused DLL_PROCESS_ATTACH");
    }
}

std::uint32_t Process::Call(const char* what, std::uint32_t function, Calls::Convention convention,
                            std::initializer_list<std::uint32_t> args) {
    if (faulted_) throw Fault("the emulated process faulted earlier");
    try {
        return calls.Call(what, function, convention, args);
    } catch (const Fault& e) {
        faulted_ = true;
        const std::string in = calls.Current().empty() ? "" : " in " + calls.Current();
        throw Fault(std::string(what) + ": " + e.what() + in);
    }
}

std::uint32_t Process::Export(const std::string& name) const {
    const auto it = image.exports.find(name);
    if (it == image.exports.end()) throw Fault("the DLL does not export " + name);
    return it->second;
}

void Process::Detach() {
    if (!attached_ || faulted_) return;
    attached_ = false;
    Notify(kProcessDetach);
}

Process::~Process() {
    for (const auto& [handle, fd] : win32.files) close(fd);
}

}  // namespace trelmix::x86
