# Installation layout and the Debian package.
# Included from the top-level CMakeLists.txt after the program's target exists.
#
#   cmake --install <build> --prefix <dir>    installs the program, its manual page,
#                                             desktop files and Debian documents
#   cd <build> && cpack -G DEB                builds trevanto_<version>_<arch>.deb
#
# The package's library dependencies come from dpkg-shlibdeps (Debian package
# dpkg-dev); building the package also wants fakeroot and file. The manual page and
# the changelog are compressed with gzip at build time.

include(GNUInstallDirs)

set(TREVANTO_APP_ID br.org.pervona.Trevanto)
set(_trevanto_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_trevanto_assets ${PROJECT_SOURCE_DIR}/assets)
set(_trevanto_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
set(_trevanto_docs ${CMAKE_INSTALL_DATADIR}/doc/trevanto)

# Every folder the install creates is rwxr-xr-x whatever the umask of who installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The program links only its own static libraries and the system's Qt, so the
# installed binary needs no run-time search path of its own (Qt's project setup
# would otherwise give it $ORIGIN and $ORIGIN/../lib).
set_target_properties(trevanto PROPERTIES INSTALL_RPATH "")
install(TARGETS trevanto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripping install (cpack's, or cmake --install --strip) also drops the compiler's
# .comment and .note sections, as Debian's own packaging tools do.
if(CMAKE_OBJCOPY)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:trevanto>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endif()

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

# The Debian changelog's newest entry must be this version; it is read again when it
# changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_trevanto_packaging}/changelog)
file(STRINGS ${_trevanto_packaging}/changelog _trevanto_changelog_top LIMIT_COUNT 1)
if(NOT _trevanto_changelog_top MATCHES "^trevanto \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog does not begin with version ${PROJECT_VERSION}: "
                        "add an entry for it")
endif()

# The manual page and the Debian changelog go in compressed, without a name or a time
# in the gzip header, so the same sources always give the same bytes.
find_program(TREVANTO_GZIP gzip REQUIRED)
set(_trevanto_compressed)
foreach(_document IN ITEMS trevanto.1 changelog)
    set(_copy ${PROJECT_BINARY_DIR}/packaging/${_document})
    add_custom_command(OUTPUT ${_copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${_trevanto_packaging}/${_document} ${_copy}
        COMMAND ${TREVANTO_GZIP} -9nf ${_copy}
        DEPENDS ${_trevanto_packaging}/${_document}
        VERBATIM)
    list(APPEND _trevanto_compressed ${_copy}.gz)
endforeach()
add_custom_target(trevanto_documents ALL DEPENDS ${_trevanto_compressed})

install(FILES ${PROJECT_BINARY_DIR}/packaging/trevanto.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_trevanto_packaging}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${_trevanto_docs})

# Debian package.
set(CPACK_PACKAGE_NAME trevanto)
set(CPACK_PACKAGE_VENDOR Pervona)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pervona <suporte@pervona.org.br>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.pervona.org.br")
# The licence text; the Debian package itself names it in its copyright file.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
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
# Plugins that no library link reveals to dpkg-shlibdeps, whose generated list is
# appended to this: the window icon is an SVG read through Qt's SVG icon engine, and
# on a desktop with Wayland and no X server Qt starts only with its Wayland platform.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-wayland")
# Qt's own texts (the text boxes' context menu, standard buttons) in Portuguese;
# without them the program runs with those texts in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
