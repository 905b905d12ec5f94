# The Debian package, made from the build by `cpack -G DEB`. Its dependencies are read from the
# binaries (shlibdeps), plus Qt's platform plugins, which the program loads at run time and so
# no binary names. Nothing needs a maintainer script: dpkg's triggers refresh the icon cache,
# the desktop database and the manual's index.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KINOREE_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kinoree developers <kinoree@orvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stop-motion video creator")
# Lines of at most 80 characters, as Debian's tools show them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kinoree makes stop-motion videos from a camera, one frame at a time. Its window"
  "shows the live camera picture: pose the scene, capture a single frame, change"
  "the scene a little and capture again. The frames become an AVI video playing at"
  "1 to 60 frames per second, and the file is a complete, playable video after"
  "every single frame."
  ""
  "It reads V4L2 cameras; without one, a built-in test scene stands in.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvane.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
