# Compiler and linker flags of the release presets (included after project() through
# CMAKE_PROJECT_INCLUDE): hardened, and free of the build's path and time, so that two builds
# of one commit in different folders give the same bytes.

# Paths compiled into the programs (__FILE__, debug information) start at the source folder.
# The presets' build folders lie inside it, so they are covered too.
set(upd_prefix_map "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.")

if(WIN32)
  # ASLR with high-entropy addresses (a relocation table comes with --dynamicbase) and DEP;
  # no link time in the PE header.
  string(APPEND CMAKE_CXX_FLAGS " ${upd_prefix_map}")
  string(APPEND CMAKE_EXE_LINKER_FLAGS
         " -Wl,--no-insert-timestamp,--dynamicbase,--high-entropy-va,--nxcompat")
  return()
endif()

# Debian's own flags: fortify, stack protector, format security, RELRO and BIND_NOW (PIE is
# the compiler's default there).
find_program(DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags DOC "Debian's build flags (dpkg-dev)")
if(NOT DPKG_BUILDFLAGS_PROGRAM)
  message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) is needed for the hardened release build")
endif()
function(upd_debian_flags name out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS_PROGRAM} --get ${name}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()
upd_debian_flags(CPPFLAGS upd_cppflags)
upd_debian_flags(CXXFLAGS upd_cxxflags)
upd_debian_flags(LDFLAGS upd_ldflags)
string(APPEND CMAKE_CXX_FLAGS " ${upd_cppflags} ${upd_cxxflags} ${upd_prefix_map}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${upd_ldflags}")
