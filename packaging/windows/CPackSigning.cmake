# Read by cpack (CPACK_PROJECT_CONFIG_FILE). When the release signs or attaches signatures
# (UPD_SIGN_MODE, set by scripts/release.sh), makensis hands the uninstaller and the setup
# program to authenticode.sh as it writes them, and stops when that fails.
set(CPACK_UPD_SIGNING "")
if(NOT "$ENV{UPD_SIGN_MODE}" STREQUAL "")
  set(upd_sign "\"${CPACK_UPD_AUTHENTICODE}\" \"%1\"")
  set(upd_about "\"${CPACK_PACKAGE_VENDOR}\" \"${CPACK_UPD_PUBLISHER_URL}\"")
  set(CPACK_UPD_SIGNING
      "!uninstfinalize '${upd_sign} uninstall.exe ${upd_about}' = 0\n!finalize '${upd_sign} ${CPACK_PACKAGE_FILE_NAME}.exe ${upd_about}' = 0")
endif()
