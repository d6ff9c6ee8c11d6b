// The formatting jobs the benchmarks time: each a Trelmix script, the same
// edit written by hand in C++ (the floor), the name of the same edit in the
// Lua and JavaScript peers (bench/peers/), and a fixed set of records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trelmix/trelmix.h"

namespace bench {

struct Record {
    std::string bytes;
    std::uint32_t codeType = 0;
    std::uint32_t protocol = 0;
};

// Edits buffer[0..length) in place (the buffer holds `capacity` bytes) and
// returns the new length, as a host-side formatter would.
using FloorFn = std::uint32_t (*)(std::uint8_t* buffer, std::uint32_t length, std::uint32_t capacity,
                                  std::uint32_t codeType, std::uint32_t protocol);

struct Job {
    std::string name;    // also the function name in bench/peers/jobs.lua and jobs.js
    std::string title;   // one line for the summary
    std::string script;  // Trelmix script text
    FloorFn floor = nullptr;
    std::vector<Record> records;
};

// The three typical jobs: "gs1", "items", "routing".
const std::vector<Job>& Jobs();

// Records of exactly `length` bytes for the routing job (code type 8, the
// common case that tries every rule and takes the last).
std::vector<Record> RoutingRecordsOfLength(std::uint32_t length, std::size_t count);

// A host buffer comfortably larger than any job's output.
inline constexpr std::uint32_t kHostCapacity = 4096;

// One host id with its script, assigned and run through the exports.
class Client {
public:
    explicit Client(const std::string& script, bool keyboard = false, std::uint32_t number = 1);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool assigned() const { return assigned_; }
    const HostId& id() const { return id_; }

    // TRLM_ExecuteInto on buffer[0..length); the returned length (the status
    // is checked by the callers that care).
    ExecuteResult Run(std::uint8_t* buffer, std::uint32_t length, std::uint32_t capacity, std::uint32_t codeType,
                      std::uint32_t protocol) const {
        return TRLM_ExecuteInto(&id_, buffer, length, capacity, codeType, protocol);
    }

private:
    HostId id_;
    bool assigned_ = false;
};

HostId AppId(std::uint32_t number);
std::u16string Widen(const std::string& text);

}  // namespace bench
