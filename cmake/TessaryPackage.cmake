# The Debian package of the whole suite (cpack -G DEB in the build folder).
# Library dependencies come from what the programs link, through
# dpkg-shlibdeps; what they load by name at run time is listed by hand.
set(CPACK_PACKAGE_NAME tessary)
set(CPACK_PACKAGE_VENDOR "Tessary developers")
set(CPACK_PACKAGE_CONTACT "Tessary developers <tessary@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control suite for the Tessary FireWire audio interface")
set(CPACK_PACKAGE_DESCRIPTION
  "Desktop control software for the Tessary, an IEEE 1394 audio interface with an\n"
  "internal hardware mixer: TessaryMixer sets the mixer, TessarySettings keeps the\n"
  "unit's and driver's settings in the notification area, and TessaryDiag sets the\n"
  "driver's stream buffer depth. tessaryctl sends single mixer commands, and\n"
  "tessary-simdriver simulates the driver and units for trying the suite without\n"
  "the hardware.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessary.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# JUCE opens the X libraries by name at run time (cmake/TessaryJuce.cmake), the
# settings dialog looks for the Tahoma-metric face of fonts-wine by path and
# the diagnostics tool for DejaVu Sans; none of these shows in what the
# programs link. A desktop's file dialog is used where there is one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libx11-6, libxext6, libxcursor1, libxinerama1, libxrandr2, fonts-wine, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "zenity | kdialog")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TESSARY_DEBIAN_CONTROL_EXTRA})

include(CPack)
