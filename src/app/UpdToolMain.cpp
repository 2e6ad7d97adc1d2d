#include "app/Console.h"
#include "app/UpdTool.h"

int main(int argc, char** argv) {
    const int status = upd::RunUpdTool(upd::CommandLineArguments(argc, argv),
                                       upd::ConsoleOutput(), upd::ConsoleError());
    upd::ConsoleOutput().flush();
    upd::ConsoleError().flush();
    return status;
}
