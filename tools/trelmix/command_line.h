// The command line of `trelmix` as a function, so that another program can be
// the same command over another engine: trelmix-x86 runs the shipped 32-bit
// DLL in an emulated Windows host with exactly these options and output.
#pragma once

#include <functional>
#include <string>

#include "common/session.h"

namespace CLI {
class App;
}

namespace trelmix::cli {

struct Program {
    std::string name = "trelmix";
    std::string description =
        "Try a Trelmix formatting script without a scanner: load it as a host would, run it on records, "
        "and see what comes back and what would be typed.";
    std::string exitStatus =
        "Exit status: 0 ok; 1 a script was rejected or could not be read (check), or "
        "assigning it failed (run); 2 usage error.";
    bool check = true;                       // offers `check` and `keywords`
    std::function<void(CLI::App&)> options;  // options of its own, given before the command
    EngineFactory engine;                    // what `run` runs on; empty: the library linked in
};

// Parses the command line and runs the command; returns the exit status.
int CommandLine(int argc, char** argv, const Program& program);

}  // namespace trelmix::cli
