// quillon-tool entry point.
#include <iostream>

#include "tool/Tool.h"

int main(int argc, char** argv) {
    return RunTool(ToolArgs(argv + 1, argv + argc), std::cout, std::cerr);
}
