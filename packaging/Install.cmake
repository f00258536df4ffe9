# Install rules and the Debian package: the program, its documents, a menu entry, an icon, a man
# page and the software-centre description, in the usual folders under CMAKE_INSTALL_PREFIX.
# The Help menu finds the documents from the program's own folder as ../share/doc/vellorine, so
# the program goes to bin/ and the documents to share/doc/vellorine/ whatever GNUInstallDirs says.
include(GNUInstallDirs)
set(VEL_APP_ID org.vellorine.Vellorine)
set(VEL_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)

string(TIMESTAMP VEL_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${VEL_PACKAGING}/${VEL_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${VEL_APP_ID}.metainfo.xml @ONLY)
configure_file(${VEL_PACKAGING}/vellorine.1.in ${CMAKE_BINARY_DIR}/packaging/vellorine.1 @ONLY)

install(TARGETS vellorine RUNTIME DESTINATION bin)
install(FILES ${VEL_DOCS} DESTINATION share/doc/vellorine)
install(FILES ${VEL_PACKAGING}/${VEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${VEL_PACKAGING}/${VEL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vellorine.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellorine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Live MIDI sequencer and looper played from a MIDI keyboard")
set(CPACK_PACKAGE_DESCRIPTION "Records up to four seqs of two parts from a MIDI keyboard, loops them \
and plays them back while you play along, steered from the keyboard itself. Uses the ALSA \
sequencer or JACK.")
set(CPACK_PACKAGE_CONTACT "The Vellorine developers")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS jackd2)
include(CPack)
