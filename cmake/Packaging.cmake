# A Debian package of the installed tree, built by CPack: cpack --preset deb (CMakePresets.json).
# Its dependencies are the Debian packages of the shared libraries the programs link, found by
# dpkg-shlibdeps.
set(OMBRIX_PACKAGE_MAINTAINER "Ombrix developers <ombrix@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME ombrix)
set(CPACK_PACKAGE_VENDOR "Ombrix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OMBRIX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop program for temperature-logging probes")
set(CPACK_PACKAGE_DESCRIPTION
    "Ombrix reaches battery-powered temperature-logging probes through their USB adapter: it reads\n"
    "a probe's status, downloads its log, stops, clears and launches missions, and shows the data\n"
    "as a status page, a table, a graph and a histogram. Record files can be saved, exported as\n"
    "text and printed. Every download is kept in an archive (SQLite, or PostgreSQL for a site), and\n"
    "records are checked against temperature limits. ombrix-cli does the same from the command\n"
    "line.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SQL drivers as plug-ins, which dpkg-shlibdeps cannot see: the archive's own SQLite
# driver is needed, the PostgreSQL one only for a shared archive.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")

include(CPack)
