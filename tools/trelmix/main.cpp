#include <iostream>
#include <new>

#include "command_line.h"

// No input ends the command with an uncaught exception: what escapes a
// command is reported as its failure.
int main(int argc, char** argv) {
    try {
        return trelmix::cli::CommandLine(argc, argv, trelmix::cli::Program{});
    } catch (const std::bad_alloc&) {
        std::cerr << "trelmix: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "trelmix: internal error: " << e.what() << '\n';
    }
    return 1;
}
