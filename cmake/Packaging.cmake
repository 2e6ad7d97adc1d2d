# Where `cmake --install` puts things, and the packages CPack makes from that:
# a Debian package on Linux (preset release) and a setup program for Windows
# (preset mingw-release, NSIS with the script in packaging/windows/).
include(GNUInstallDirs)

set(UPD_DISPLAY_NAME "Генериране на актуализации за Дарвела 2")
set(UPD_PUBLISHER "Update Publisher developers" CACHE STRING
    "Publisher shown by Windows' installed-programs list and the packages")
set(UPD_PUBLISHER_URL "https://updatepublisher.invalid/" CACHE STRING
    "The publisher's web address, named in the programs' Authenticode signatures")
set(UPD_PACKAGE_MAINTAINER "Update Publisher developers <maintainers@updatepublisher.invalid>"
    CACHE STRING "Maintainer field of the Debian package")
# Directories CPack creates take these rather than whatever the umask gives.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(upd_programs updtool)
if(TARGET UpdatePublisher)
  list(APPEND upd_programs UpdatePublisher)
endif()

if(WIN32)
  # One folder, as the setup program lays it out; it adds the archiver beside the programs.
  install(TARGETS ${upd_programs} RUNTIME DESTINATION .)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingPosix.cmake)
endif()

set(CPACK_PACKAGE_NAME updatepublisher)
set(CPACK_PACKAGE_VENDOR "${UPD_PUBLISHER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${UPD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "publishing tool for the updates of Дарвела 2")
set(CPACK_PACKAGE_DESCRIPTION
    "Packs the update index updates.xml into the index package updates.upd,\n\
packs a patch folder into a password-protected update archive with 7-Zip,\n\
and restores updates.xml from a published updates.upd. The window speaks\n\
Bulgarian; updtool does the same jobs from a command line.")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")

if(WIN32)
  set(CPACK_GENERATOR NSIS)
  set(CPACK_PACKAGE_FILE_NAME "UpdatePublisher-${PROJECT_VERSION}-setup")
  # The whole script is ours (packaging/windows/NSIS.template.in); CPack stages the
  # installed files and runs makensis.
  set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/packaging/windows")
  set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -INPUTCHARSET UTF8 -V2)
  # What the script needs; CPack hands only CPACK_* variables to it.
  set(CPACK_UPD_DISPLAY_NAME "${UPD_DISPLAY_NAME}")
  set(CPACK_UPD_ICON "${PROJECT_SOURCE_DIR}/data/updatepublisher.ico")
  set(CPACK_UPD_HAS_WINDOW 0)
  if(TARGET UpdatePublisher)
    set(CPACK_UPD_HAS_WINDOW 1)
  endif()
  # Windows' version resources want four numbers.
  string(REGEX MATCH "^[0-9]+\\.[0-9]+\\.[0-9]+" upd_version3 "${PROJECT_VERSION}")
  set(CPACK_UPD_VERSION4 "${upd_version3}.0")
  # Authenticode signing, when the release asks for it (scripts/release.sh --sign or --attach):
  # the programs before they are packed, then the uninstaller and the setup program.
  set(CPACK_UPD_PUBLISHER_URL "${UPD_PUBLISHER_URL}")
  set(CPACK_UPD_AUTHENTICODE "${PROJECT_SOURCE_DIR}/packaging/windows/authenticode.sh")
  list(TRANSFORM upd_programs APPEND .exe OUTPUT_VARIABLE CPACK_UPD_PROGRAMS)
  set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/packaging/windows/StagedPrograms.cmake")
  set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/packaging/windows/CPackSigning.cmake")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(upd_depends 7zip)
  if(TARGET UpdatePublisher)
    # The window's font (Calibri's metric twin), Qt's plugin for its SVG icon and Qt's own
    # Bulgarian texts (qtbase_bg) for its file dialogs and standard buttons.
    list(APPEND upd_depends fonts-crosextra-carlito libqt6svg6 qt6-translations-l10n)
  endif()
  list(JOIN upd_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()

include(CPack)
