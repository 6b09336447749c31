# The Debian package: `make package`, or `cpack -G DEB` in a build folder. It holds whatever the
# install rules install, under /usr; Depends come from the libraries the programs really link.
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "the Corvane Editor authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane Editor shows every setting of the Corvane unit, a hardware MIDI filter box, in one
window, sends them to the unit as ten SysEx packets through an ALSA or JACK MIDI output, and
keeps them as preset files. corvane-cli does the same from scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Corvane Editor authors")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt platform plugins are loaded at run time, so no library link names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")

include(CPack)
