# `cpack -G DEB` in the build folder makes a Debian package of the installed
# files. Its library dependencies are computed from the program by
# dpkg-shlibdeps; only what the program loads at run time by name is listed
# here: the Qt platform plugins (the window system integration).
set(CPACK_PACKAGE_NAME sealmark)
set(CPACK_PACKAGE_VENDOR "Corvella Software")
set(CPACK_PACKAGE_CONTACT "Corvella Software <support@corvella.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Protect a batch of PDF files with passwords and permissions")
set(CPACK_PACKAGE_DESCRIPTION
  "Sealmark puts PDF security on many PDF files at once: an owner password, an
optional open password, permissions and 40-bit RC4 to 256-bit AES encryption,
written into a destination folder with progress, stop and a per-file report.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
# Only the program's own component: no test or benchmark files.
set(CPACK_COMPONENTS_ALL Unspecified)
include(CPack)
