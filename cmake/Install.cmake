# What `cmake --install` puts under the prefix:
#   bin/corvane, bin/corvane-desktop   the program and the launcher the desktop
#                                      menu starts (it runs the program in ~/Corvane)
#   lib/corvane/libmapi32.so           the mail library (its rule is in mapi32/)
#   share/corvane/Offer.txt, Offer.md  the sample templates for a new ~/Corvane,
#   share/corvane/logo.png             and the image the Markdown one shows
#   share/applications, share/metainfo the menu entry and the software centre data
#   share/icons/hicolor                the icon as a drawing and in pixel sizes
#   share/man/man1, share/doc/corvane  the manual page, the help pages, copyright
# bin and lib/corvane are fixed: the program looks for its mail library in
# <folder of its executable>/../lib/corvane.

set(CORVANE_APP_ID org.ostwick.Corvane)
set(CORVANE_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS corvane RUNTIME DESTINATION bin)
install(PROGRAMS ${CORVANE_PACKAGING}/corvane-desktop DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/res/demo/Offer.txt ${PROJECT_SOURCE_DIR}/res/demo/Offer.md
    ${PROJECT_SOURCE_DIR}/res/demo/logo.png DESTINATION share/corvane)

install(FILES ${CORVANE_PACKAGING}/${CORVANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${CORVANE_PACKAGING}/icons/hicolor DESTINATION share/icons)

# The program shows its help pages from its own resources; these copies are
# for reading them without starting it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION share/doc/corvane/help)
install(FILES ${CORVANE_PACKAGING}/copyright DESTINATION share/doc/corvane)

# Manual pages are installed compressed, as man and Debian expect.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
foreach(page corvane.1 corvane-desktop.1)
    execute_process(COMMAND gzip -9nc ${CORVANE_PACKAGING}/${page}
        OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/${page}.gz
        COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CORVANE_PACKAGING}/${page})
    install(FILES ${PROJECT_BINARY_DIR}/packaging/${page}.gz DESTINATION share/man/man1)
endforeach()

# The menu entry starts the launcher by its absolute path, so that it works
# for any prefix, also one whose bin folder is not on the desktop's PATH.
# The prefix is known only when installing (`cmake --install --prefix`), so
# the entry is written then, straight into its place.
install(CODE "set(CORVANE_DESKTOP_IN \"${CORVANE_PACKAGING}/${CORVANE_APP_ID}.desktop.in\")
set(CORVANE_DESKTOP_NAME ${CORVANE_APP_ID}.desktop)")
install(CODE [==[
set(CORVANE_LAUNCHER "${CMAKE_INSTALL_PREFIX}/bin/corvane-desktop")
# These characters would need escapes in Exec; a prefix never needs them.
if(CORVANE_LAUNCHER MATCHES [=[["`$\%]]=])
    message(FATAL_ERROR "A desktop entry cannot start a program under this prefix: "
        "${CMAKE_INSTALL_PREFIX}")
elseif(NOT CORVANE_LAUNCHER MATCHES [=[^[A-Za-z0-9/._+-]+$]=])
    set(CORVANE_LAUNCHER "\"${CORVANE_LAUNCHER}\"")
endif()
set(CORVANE_DESKTOP_FILE
    "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${CORVANE_DESKTOP_NAME}")
message(STATUS "Installing: ${CORVANE_DESKTOP_FILE}")
configure_file(${CORVANE_DESKTOP_IN} ${CORVANE_DESKTOP_FILE} @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES ${CORVANE_DESKTOP_FILE})
]==])
