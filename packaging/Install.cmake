# Installation layout and the Debian package.
# Included from the top-level CMakeLists.txt after the program's target exists.
#
#   cmake --install <build> --prefix <dir>    installs the program and its desktop files
#   cd <build> && cpack -G DEB                builds trevanto_<version>_<arch>.deb
#
# The package's library dependencies come from dpkg-shlibdeps (Debian package
# dpkg-dev); building the package also wants fakeroot and file.

include(GNUInstallDirs)

set(TREVANTO_APP_ID br.org.pervona.Trevanto)
set(_trevanto_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_trevanto_assets ${PROJECT_SOURCE_DIR}/assets)
set(_trevanto_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# The program links only its own static libraries and the system's Qt, so the
# installed binary needs no run-time search path of its own (Qt's project setup
# would otherwise give it $ORIGIN and $ORIGIN/../lib).
set_target_properties(trevanto PROPERTIES INSTALL_RPATH "")
install(TARGETS trevanto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${_trevanto_packaging}/${TREVANTO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_trevanto_packaging}/${TREVANTO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop's icon theme: the two small sizes are the hand-tuned pictures the
# window uses, the larger ones are rendered from the scalable master.
install(FILES ${_trevanto_assets}/icon-16.png
        DESTINATION ${_trevanto_icons}/16x16/apps RENAME trevanto.png)
install(FILES ${_trevanto_assets}/icon-32.png
        DESTINATION ${_trevanto_icons}/32x32/apps RENAME trevanto.png)
foreach(_size IN ITEMS 48 64 128 256)
    install(FILES ${_trevanto_assets}/hicolor/${_size}x${_size}/apps/trevanto.png
            DESTINATION ${_trevanto_icons}/${_size}x${_size}/apps)
endforeach()
install(FILES ${_trevanto_assets}/icon.svg
        DESTINATION ${_trevanto_icons}/scalable/apps RENAME trevanto.svg)

# Debian package.
set(CPACK_PACKAGE_NAME trevanto)
set(CPACK_PACKAGE_VENDOR Pervona)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pervona <suporte@pervona.org.br>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.pervona.org.br")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plots the course of a compass rally")
set(CPACK_PACKAGE_DESCRIPTION
"Trevanto draws the course of a compass rally from its legs, each a bearing in
degrees and a distance in metres, as copied from the rally sheet. The course
starts at a start marker that can be dragged, every leg is labelled with its
bearing, turning points are marked with circles and the finish with a target.
The drawing scale can be stepped, the last leg deleted and the window printed.
The program's texts are in Brazilian Portuguese.")
if(NOT CPACK_GENERATOR)
    set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME trevanto)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pervona <suporte@pervona.org.br>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window icon is an SVG read through Qt's SVG icon engine, a plugin that no
# library link reveals to dpkg-shlibdeps; the generated list is appended to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")

include(CPack)
