// quillon-tool-manual TEMPLATE OUT: writes the manual page TEMPLATE into OUT with the line
// "@COMMANDS@" replaced by every subcommand of quillon-tool, so the page never misses one.
#include <fstream>
#include <iostream>
#include <string>

#include "tool/Tool.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quillon-tool-manual TEMPLATE OUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::ofstream out(argv[2]);
    for (std::string line; std::getline(in, line);) {
        if (line == "@COMMANDS@") {
            PrintCommandsManual(out);
        } else {
            out << line << "\n";
        }
    }
    out.close();
    if (!in.eof() || !out) {
        std::cerr << "quillon-tool-manual: cannot write " << argv[2] << " from " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
