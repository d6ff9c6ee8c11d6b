// The typical jobs through Trelmix, the hand-written floor and Lua; records of
// fixed lengths; and a keyboard script. Each iteration runs a whole record
// set, each record copied into the host's buffer and formatted there.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "support.h"

namespace bench {

namespace {

using benchmark::Counter;

// One pass per iteration over the records; `format` edits the buffer in place
// and returns the new length. Reports ns per record and allocations per record.
template <typename Format>
void Records(benchmark::State& state, const std::vector<Record>& records, Format&& format,
             const std::uint64_t* allocations = nullptr) {
    std::vector<std::uint8_t> buffer(kHostCapacity);
    std::uint64_t sink = 0;
    const std::uint64_t before = allocations ? *allocations : Allocations();
    for (auto _ : state) {
        for (const Record& r : records) {
            std::memcpy(buffer.data(), r.bytes.data(), r.bytes.size());
            sink += format(buffer.data(), static_cast<std::uint32_t>(r.bytes.size()), r);
        }
        benchmark::DoNotOptimize(sink);
        benchmark::ClobberMemory();
    }
    const std::uint64_t after = allocations ? *allocations : Allocations();
    const double perIteration = static_cast<double>(records.size());
    state.counters["records"] = perIteration;
    state.counters["ns/rec"] = Counter(perIteration, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["allocs/rec"] =
        static_cast<double>(after - before) / (static_cast<double>(state.iterations()) * perIteration);
}

void TrelmixRecords(benchmark::State& state, const std::string& script, const std::vector<Record>& records) {
    Client client(script);
    if (!client.assigned()) {
        state.SkipWithError("the script did not compile");
        return;
    }
    Records(state, records, [&](std::uint8_t* b, std::uint32_t n, const Record& r) {
        return client.Run(b, n, kHostCapacity, r.codeType, r.protocol).length;
    });
}

void FloorRecords(benchmark::State& state, FloorFn floor, const std::vector<Record>& records) {
    Records(state, records, [&](std::uint8_t* b, std::uint32_t n, const Record& r) {
        return floor(b, n, kHostCapacity, r.codeType, r.protocol);
    });
}

void LuaRecords(benchmark::State& state, const std::string& name, const std::vector<Record>& records) {
    LuaPeer& lua = Lua();
    const int function = lua.Function(name);
    if (function < 0) {
        state.SkipWithError(("no Lua function " + name + ": " + lua.error).c_str());
        return;
    }
    Records(
        state, records,
        [&](std::uint8_t* b, std::uint32_t n, const Record& r) {
            return lua.Run(function, b, n, kHostCapacity, r.codeType, r.protocol);
        },
        &lua.allocations);
}

// Types the first word, tabs to the next field, types the rest and presses
// Enter, then Ctrl+S: key presses, chords and typed text for every record.
const char* kKeyboardScript = R"(BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(8)
END_CRITERIA
BEGIN_ACTION
    SEND_UNTIL(' ')
    SEND_EXTN('TAB')
    MOVE_AFTER(' ')
    SEND_REM
    SEND_EXTN('RET')
    SEND_CTRL('s')
END_ACTION
END_RULE
)";

void Keyboard(benchmark::State& state) {
    Client client(kKeyboardScript, true);
    if (!client.assigned()) {
        state.SkipWithError("send keywords are not built yet: the keyboard script does not compile");
        return;
    }
    QuietPlatform& quiet = Quiet();
    TRLM_SetTransmitObject(&quiet.transmit);
    std::vector<Record> records;
    for (std::uint32_t n : {20u, 50u, 100u, 200u}) {
        for (const Record& r : RoutingRecordsOfLength(n, 16)) records.push_back(r);
    }
    const std::uint64_t keysBefore = quiet.injections + quiet.typed;
    const std::uint64_t allocationsBefore = Allocations();
    Records(state, records, [&](std::uint8_t* b, std::uint32_t n, const Record& r) {
        return client.Run(b, n, kHostCapacity, r.codeType, r.protocol).length;
    });
    const double keys = static_cast<double>(quiet.injections + quiet.typed - keysBefore);
    const double runs = static_cast<double>(state.iterations()) * static_cast<double>(records.size());
    state.counters["keys/rec"] = keys / runs;
    state.counters["allocs/key"] = keys > 0 ? static_cast<double>(Allocations() - allocationsBefore) / keys : 0;
    TRLM_SetTransmitObject(nullptr);
}

}  // namespace

void RegisterJobBenchmarks() {
    for (const Job& job : Jobs()) {
        const Job* j = &job;
        benchmark::RegisterBenchmark(("job/" + job.name + "/trelmix").c_str(),
                                     [j](benchmark::State& s) { TrelmixRecords(s, j->script, j->records); });
        benchmark::RegisterBenchmark(("job/" + job.name + "/floor").c_str(),
                                     [j](benchmark::State& s) { FloorRecords(s, j->floor, j->records); });
        benchmark::RegisterBenchmark(("job/" + job.name + "/lua").c_str(),
                                     [j](benchmark::State& s) { LuaRecords(s, j->name, j->records); });
    }
    const Job& routing = Jobs()[2];
    for (std::uint32_t length : {20u, 50u, 100u, 200u}) {
        auto records = std::make_shared<std::vector<Record>>(RoutingRecordsOfLength(length, 64));
        const std::string size = std::to_string(length);
        benchmark::RegisterBenchmark(
            ("execute/routing_" + size + "B/trelmix").c_str(),
            [records, &routing](benchmark::State& s) { TrelmixRecords(s, routing.script, *records); });
        benchmark::RegisterBenchmark(
            ("execute/routing_" + size + "B/floor").c_str(),
            [records, &routing](benchmark::State& s) { FloorRecords(s, routing.floor, *records); });
    }
    // A host serving many clients: 500 ids registered before the one that runs.
    {
        auto records = std::make_shared<std::vector<Record>>(RoutingRecordsOfLength(50, 64));
        benchmark::RegisterBenchmark(
            "execute/routing_50B_500_clients/trelmix", [records, &routing](benchmark::State& s) {
                std::vector<std::unique_ptr<Client>> others;
                for (std::uint32_t i = 0; i < 500; ++i) {
                    others.push_back(std::make_unique<Client>(routing.script, false, 1000 + i));
                }
                TrelmixRecords(s, routing.script, *records);
            });
    }
    benchmark::RegisterBenchmark("execute/keyboard/trelmix", Keyboard);
}

}  // namespace bench
