#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "command_line.h"

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Records, scripts and JSON lines are bytes: no CR LF translation, and
    // 0x1A does not end the input.
    for (FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
#endif
    return trelmix::cli::CommandLine(argc, argv, trelmix::cli::Program{});
}
