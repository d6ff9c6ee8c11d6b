#include "command_line.h"

int main(int argc, char** argv) { return trelmix::cli::CommandLine(argc, argv, trelmix::cli::Program{}); }
