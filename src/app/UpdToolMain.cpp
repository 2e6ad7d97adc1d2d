#include <iostream>

#include "app/UpdTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = upd::RunUpdTool(args, std::cout, std::cerr);
    std::cerr.flush();
    return status;
}
