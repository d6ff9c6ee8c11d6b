// `trelmix learn FILE.tests [-o SCRIPT] [--explain]`: the script that a test
// file's cases ask for (learner.h), checked with `trelmix test` before it is
// printed.
#pragma once

#include <string>

#include "run/run.h"

namespace trelmix::cli {

struct LearnOptions {
    std::string file;
    std::string output;  // -o: write the script here instead of standard output
    bool explain = false;
};

int LearnCommand(const LearnOptions& options, Streams io);

}  // namespace trelmix::cli
