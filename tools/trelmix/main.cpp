#include <iostream>

#include "command_line.h"
#include "common/errors.h"

// No input ends the command with an uncaught exception: what escapes a
// command is reported as its failure.
int main(int argc, char** argv) {
    try {
        return trelmix::cli::CommandLine(argc, argv, trelmix::cli::Program{});
    } catch (const std::exception& e) {
        trelmix::cli::Complain(std::cerr, "internal error: ", e.what());
    }
    return 1;
}
