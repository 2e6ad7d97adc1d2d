# CLI11::CLI11 from a bare folder of CLI11 headers. The folder is copied into the build
# tree so that the include path does not expose the rest of the host's /usr/include.
set(_cli11_include ${CMAKE_BINARY_DIR}/cli11/include)
file(COPY ${UPD_CLI11_HEADERS}/ DESTINATION ${_cli11_include}/CLI)
if(NOT EXISTS ${_cli11_include}/CLI/CLI.hpp)
    message(FATAL_ERROR "No CLI.hpp in UPD_CLI11_HEADERS=${UPD_CLI11_HEADERS}")
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${_cli11_include})
