#include <iostream>

#include "app/Console.h"
#include "app/UpdTool.h"

int main(int argc, char** argv) {
    upd::KeepWorkingWhenOutputFails();
    upd::ToolConsole console{&std::cin, &upd::ConsoleError(), upd::ErrorIsTerminal()};
    if (upd::InputIsTerminal()) {
        console.readHidden = upd::ReadHiddenLine;
    }
    console.columns = upd::ErrorColumns;
    const int status = upd::RunUpdTool(upd::CommandLineArguments(argc, argv), upd::ConsoleOutput(),
                                       upd::ConsoleError(), console);
    upd::ConsoleOutput().flush();
    upd::ConsoleError().flush();
    return status;
}
