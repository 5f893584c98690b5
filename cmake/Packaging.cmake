# Two Debian packages from one CPack run (cpack --preset deb, CMakePresets.json), one per install
# component:
#   ombrix-cli  the command line, its manual page, the default settings and the udev rule. It needs
#               the Qt libraries that draw the printed report, but no display server or desktop.
#   ombrix      the window, its manual page, desktop entry, icons, record file type and help pages;
#               it depends on ombrix-cli of the same version for the settings and the udev rule.
# Their library dependencies are the Debian packages of the shared libraries each program links,
# found by dpkg-shlibdeps.
set(OMBRIX_PACKAGE_MAINTAINER "Ombrix developers <ombrix@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_PACKAGE_NAME ombrix)
set(CPACK_PACKAGE_VENDOR "Ombrix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OMBRIX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli window)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Extended descriptions: lines of at most 80 columns, as Debian wants them.
set(CPACK_DEBIAN_CLI_PACKAGE_NAME ombrix-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "command line for temperature-logging probes\n"
    "Ombrix reaches battery-powered temperature-logging probes through their USB\n"
    "adapter. ombrix-cli reads a probe's status, downloads its log, stops, clears\n"
    "and launches missions, keeps every download in an archive (SQLite, or\n"
    "PostgreSQL for a site) with an audit trail and signatures, checks records\n"
    "against temperature limits, exports and prints them, and runs a download\n"
    "station for trays of probes on several adapters.\n"
    "\n"
    "This package also holds the default settings and the udev rule that gives\n"
    "the seat's user, or the plugdev group, access to the adapter.")
string(JOIN "" CPACK_COMPONENT_CLI_DESCRIPTION ${CPACK_COMPONENT_CLI_DESCRIPTION})
# Qt loads its SQL drivers as plug-ins, which dpkg-shlibdeps cannot see: the archive's own SQLite
# driver is needed, the PostgreSQL one only for a shared archive.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "libqt6sql6-psql")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME ombrix)
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "desktop program for temperature-logging probes\n"
    "Ombrix reaches battery-powered temperature-logging probes through their USB\n"
    "adapter: it reads a probe's status, downloads its log, stops, clears and\n"
    "launches missions, and shows the data as a status page, a table, a graph\n"
    "and a histogram. Record files can be saved, exported and printed. Every\n"
    "download is kept in an archive, and records are checked against\n"
    "temperature limits.\n"
    "\n"
    "This package holds the window, its menu entry, icons and help pages, in\n"
    "English and German.")
string(JOIN "" CPACK_COMPONENT_WINDOW_DESCRIPTION ${CPACK_COMPONENT_WINDOW_DESCRIPTION})
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "ombrix-cli (= ${PROJECT_VERSION}), libqt6sql6-sqlite")
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "libqt6sql6-psql")

include(CPack)
