# `cpack -G DEB` in the build folder makes corvane_<version>-1_<arch>.deb from
# what cmake/Install.cmake installs, under /usr. dpkg-shlibdeps reads the
# dependencies from the binaries; the Qt platform plugins are loaded at run
# time, so they are named here.

# cpack packages what has been built: it does not build the whole tree, tests
# and benchmarks included, before it installs (nor does `make install`).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# A non-native package carries its Debian changelog, compressed.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
    COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY
    CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION share/doc/corvane)

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Ostwick)
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@ostwick.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mail merge address book for the desktop")
set(CPACK_PACKAGE_DESCRIPTION [[
Corvane keeps e-mail contacts in one address book file and sends each
selected contact a personal mail built from a plain-text template with
placeholders, a subject line and attachments, after previewing them.

New addresses are collected while they are copied anywhere on the desktop,
and a short click tells when a copied address is already stored. Mail is
delivered over SMTP with TLS, or written as files into an outbox folder.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# TLS connections to mail servers are verified against the system's CAs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ca-certificates)
include(CPack)
