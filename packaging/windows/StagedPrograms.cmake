# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the staged programs before makensis packs them:
# signs them when the release signs (authenticode.sh), and copies them beside the setup program
# for those who want no installer, so that the bare programs are the installed ones.
foreach(program IN LISTS CPACK_UPD_PROGRAMS)
  set(staged "${CPACK_TEMPORARY_DIRECTORY}/${program}")
  if(NOT "$ENV{UPD_SIGN_MODE}" STREQUAL "")
    execute_process(
      COMMAND "${CPACK_UPD_AUTHENTICODE}" "${staged}" "${program}"
              "${CPACK_PACKAGE_VENDOR}" "${CPACK_UPD_PUBLISHER_URL}"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(COPY_FILE "${staged}" "${CPACK_PACKAGE_DIRECTORY}/${program}")
endforeach()
