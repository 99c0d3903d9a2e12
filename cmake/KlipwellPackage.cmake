# The Debian package: `cpack -G DEB` in a build folder makes
# klipwell_<version>_<arch>.deb. Library dependencies come from
# dpkg-shlibdeps; the Qt plugins the program loads at run time (windowing
# system, SVG icons) are named here because no linker records them.
if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME klipwell)
set(CPACK_PACKAGE_VENDOR Klipwell)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Download video and audio from web pages")
set(CPACK_PACKAGE_INSTALL_DIRECTORY klipwell)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Klipwell developers <klipwell@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Download video and audio from web pages\n Klipwell drives the yt-dlp command-line program: paste, drop or send a\n link, pick a quality preset or exact formats, and the download joins a\n queue that survives restarts. It keeps its own copies of yt-dlp, FFmpeg,\n ffprobe and Deno.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, desktop-file-utils")

include(CPack)
