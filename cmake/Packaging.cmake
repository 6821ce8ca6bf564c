# The Debian package (`make deb`, or `cpack -G DEB` in the build folder): the program and its
# folder as `make install` lays them out under /usr, with the desktop entry that opens
# application/epub+zip files, the icon in the hicolor theme and the AppStream metainfo that
# software centres list the program by. The libraries it links are found by dpkg-shlibdeps; those
# it opens while running are named here.
install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.quirelle.Quirelle.metainfo.xml
        DESTINATION share/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quirelle)
set(CPACK_PACKAGE_VENDOR "Quirelle")
set(CPACK_PACKAGE_CONTACT "Quirelle developers <quirelle@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop reader for EPUB books")
set(CPACK_PACKAGE_DESCRIPTION
    "Quirelle reads EPUB books straight out of their archive: text in every script, pictures, SVG and sound, day, sepia and night colours, and export to PDF.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The build keeps its debugging information; the package does not need it.
set(CPACK_STRIP_FILES ON)
# librsvg is opened at the first SVG, GStreamer's plugins play the book's sounds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "librsvg2-2, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# desktop-file-utils' trigger writes the mimeinfo.cache through which GLib offers the program
# for EPUB files in "Open With".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-libav, fonts-dejavu-core, fonts-liberation2, desktop-file-utils, shared-mime-info")
# Only the program: the tests, benchmarks and build helpers install nothing.
include(CPack)
