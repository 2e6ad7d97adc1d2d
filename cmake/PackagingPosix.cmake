# Install layout on Linux: the executables in a folder of their own with the archiver link
# SEVENZIP beside them (the programs look for it next to their resolved executable), and
# links to them in bin/, so that bin/ gets no SEVENZIP.
set(UPD_INSTALL_PROGRAMDIR "lib/updatepublisher" CACHE STRING
    "Folder, relative to the prefix, for the executables; bin/ gets links to them")

install(TARGETS ${upd_programs} RUNTIME DESTINATION ${UPD_INSTALL_PROGRAMDIR})

# The links are made in the build tree and installed as links.
set(upd_links ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${upd_links}/bin ${upd_links}/programs)
file(RELATIVE_PATH upd_bin_to_programs
     /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${UPD_INSTALL_PROGRAMDIR})
foreach(program IN LISTS upd_programs)
  file(CREATE_LINK ${upd_bin_to_programs}/${program} ${upd_links}/bin/${program} SYMBOLIC)
  install(FILES ${upd_links}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
if(SEVENZIP_PROGRAM)
  # Absolute: the system's 7-Zip, wherever this tree is installed or unpacked.
  file(CREATE_LINK ${SEVENZIP_PROGRAM} ${upd_links}/programs/SEVENZIP SYMBOLIC)
  install(FILES ${upd_links}/programs/SEVENZIP DESTINATION ${UPD_INSTALL_PROGRAMDIR})
endif()

set(upd_docdir ${CMAKE_INSTALL_DATADIR}/doc/updatepublisher)
set(upd_mandir ${CMAKE_INSTALL_MANDIR}/man1)
set(upd_generated ${CMAKE_BINARY_DIR}/packaging)

# Debian wants the changelog and manual pages compressed, without a time stamp in the gzip header.
function(upd_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source})
endfunction()

# updtool's manual page is written by hand, with every command, option and exit status
# (tests/manpage_test.sh holds it to each command's --help); the version is filled in.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/updtool.1.in ${upd_generated}/updtool.1 @ONLY)
upd_gzip(${upd_generated}/updtool.1 ${upd_generated}/updtool.1.gz)
install(FILES ${upd_generated}/updtool.1.gz DESTINATION ${upd_mandir})

# Dates of the release: the time in SOURCE_DATE_EPOCH (scripts/release.sh sets the last commit's),
# else now.
string(TIMESTAMP UPD_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP UPD_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
               ${upd_generated}/changelog @ONLY)
upd_gzip(${upd_generated}/changelog ${upd_generated}/changelog.gz)
set(upd_compressed ${upd_generated}/changelog.gz ${upd_generated}/updtool.1.gz)
install(FILES ${upd_generated}/changelog.gz
              ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${upd_docdir})

if(TARGET UpdatePublisher)
  upd_gzip(${PROJECT_SOURCE_DIR}/packaging/debian/UpdatePublisher.1
           ${upd_generated}/UpdatePublisher.1.gz)
  list(APPEND upd_compressed ${upd_generated}/UpdatePublisher.1.gz)
  install(FILES ${upd_generated}/UpdatePublisher.1.gz DESTINATION ${upd_mandir})
  install(FILES ${PROJECT_SOURCE_DIR}/data/updatepublisher.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/updatepublisher.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # What software centres show of the window (AppStream).
  set(upd_metainfo invalid.updatepublisher.UpdatePublisher.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/data/${upd_metainfo}.in ${upd_generated}/${upd_metainfo}
                 @ONLY)
  install(FILES ${upd_generated}/${upd_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
add_custom_target(package_documents ALL DEPENDS ${upd_compressed})
