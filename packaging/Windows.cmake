# The Windows program, its installation layout and its packages.
# Included from the top-level CMakeLists.txt, in place of Install.cmake, when building
# for Windows (cross-built on Debian by scripts/windows-package.sh).
#
#   cmake --install <build> --prefix <dir>    lays out the program's folder: trevanto.exe
#                                             with the Qt libraries and plugins, the
#                                             compiler's run-time and Qt's texts in
#                                             Portuguese beside it
#   cd <build> && cpack                       builds Trevanto-<version>-windows-x64.zip,
#                                             that folder to unpack and run anywhere,
#                                             and Trevanto-<version>-windows-x64-setup.exe,
#                                             its installer (NSIS's makensis)
#
# The folder needs no qt.conf: Qt takes the folder of an executable with Qt6Core.dll
# beside it as its prefix, so it loads its plugins from platforms\, styles\ and
# imageformats\ there and its texts from translations\.

set(_trevanto_packaging ${PROJECT_SOURCE_DIR}/packaging)

# ---- the program: a GUI program with its icon, version and manifest ------------------

# No console window opens with the program.
set_target_properties(trevanto PROPERTIES WIN32_EXECUTABLE ON)

set(TREVANTO_WINDOWS_ICON ${PROJECT_SOURCE_DIR}/assets/trevanto.ico)
set(TREVANTO_WINDOWS_MANIFEST ${PROJECT_BINARY_DIR}/packaging/trevanto.exe.manifest)
configure_file(${_trevanto_packaging}/windows/trevanto.exe.manifest.in ${TREVANTO_WINDOWS_MANIFEST} @ONLY)
configure_file(${_trevanto_packaging}/windows/trevanto.rc.in ${PROJECT_BINARY_DIR}/packaging/trevanto.rc @ONLY)
target_sources(trevanto PRIVATE ${PROJECT_BINARY_DIR}/packaging/trevanto.rc)
set_property(SOURCE ${PROJECT_BINARY_DIR}/packaging/trevanto.rc DIRECTORY ${PROJECT_SOURCE_DIR}/src/app
    APPEND PROPERTY OBJECT_DEPENDS ${TREVANTO_WINDOWS_ICON} ${TREVANTO_WINDOWS_MANIFEST})

# ---- the program's folder -------------------------------------------------------------

install(TARGETS trevanto RUNTIME DESTINATION .)

# The Qt libraries the program links, and the plugins Qt loads at run time: the Windows
# platform, the native look of the widgets and the reader of .ico pictures. PNG needs no
# plugin, and printing is built into Qt6PrintSupport.dll.
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport
    RUNTIME DESTINATION .)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsIntegrationPlugin LIBRARY DESTINATION platforms)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsVistaStylePlugin LIBRARY DESTINATION styles)
if(TARGET Qt6::QICOPlugin)
    install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QICOPlugin LIBRARY DESTINATION imageformats)
endif()

# The compiler's own run-time libraries, which the program and Qt link dynamically.
set(_trevanto_runtime)
foreach(_dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
        OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${_dll} is")
    endif()
    list(APPEND _trevanto_runtime ${_path})
endforeach()
install(FILES ${_trevanto_runtime} DESTINATION .)

# Qt's own texts in Brazilian Portuguese (standard buttons, the text boxes' context
# menu), from Debian's qt6-translations-l10n on the building machine: they are data,
# the same for every platform.
set(TREVANTO_QT_TRANSLATIONS_DIR /usr/share/qt6/translations
    CACHE PATH "Folder with Qt's qtbase_pt_BR.qm (Debian package qt6-translations-l10n)")
if(NOT EXISTS ${TREVANTO_QT_TRANSLATIONS_DIR}/qtbase_pt_BR.qm)
    message(FATAL_ERROR "${TREVANTO_QT_TRANSLATIONS_DIR}/qtbase_pt_BR.qm is missing "
                        "(Debian package qt6-translations-l10n)")
endif()
install(FILES ${TREVANTO_QT_TRANSLATIONS_DIR}/qtbase_pt_BR.qm DESTINATION translations)

# A stripping install (cpack's) strips the libraries copied beside the program too.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        file(GLOB_RECURSE _libraries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
        foreach(_library IN LISTS _libraries)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${_library}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

# ---- packages -------------------------------------------------------------------------

set(CPACK_PACKAGE_NAME Trevanto)
set(CPACK_PACKAGE_VENDOR Pervona)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pervona <suporte@pervona.org.br>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.pervona.org.br")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Plots the course of a compass rally")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_FILE_NAME Trevanto-${PROJECT_VERSION}-windows-x64)
set(CPACK_STRIP_FILES ON)
if(NOT CPACK_GENERATOR)
    set(CPACK_GENERATOR "ZIP;NSIS")
endif()

# The zip holds one folder named as the zip (CPack's default for archives), to unpack
# and run where it lands.

# The installer: into Program Files for every user, with a Start menu entry named
# Trevanto with the program's icon, and an uninstaller in the system's list of programs.
# The uninstaller removes what was installed and nothing else: the work file, kept in
# the user's AppData folder, stays.
set(CPACK_PACKAGE_INSTALL_DIRECTORY Trevanto)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Trevanto)
set(CPACK_NSIS_MENU_LINKS trevanto.exe Trevanto)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Trevanto)
set(CPACK_NSIS_DISPLAY_NAME Trevanto)
set(CPACK_NSIS_INSTALLED_ICON_NAME trevanto.exe)
set(CPACK_NSIS_MUI_ICON ${TREVANTO_WINDOWS_ICON})
set(CPACK_NSIS_MUI_UNIICON ${TREVANTO_WINDOWS_ICON})
set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_NSIS_CONTACT "suporte@pervona.org.br")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# A 64-bit installer, as the program: it sees the 64-bit Program Files and registry as
# they are, and runs where only 64-bit Windows programs do (Wine without its 32-bit
# half).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The installer's own name differs from the zip's.
configure_file(${_trevanto_packaging}/windows/CPackOptions.cmake.in
    ${PROJECT_BINARY_DIR}/packaging/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/CPackOptions.cmake)

include(CPack)
