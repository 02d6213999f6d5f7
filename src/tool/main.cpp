// quillon-tool entry point.
#include <csignal>
#include <iostream>

#include "tool/Tool.h"

int main(int argc, char** argv) {
    // Past a file size limit a write fails like one on a full disk, and the command says so and
    // removes what it could not finish, instead of being killed halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    return RunTool(ToolArgs(argv + 1, argv + argc), std::cout, std::cerr);
}
