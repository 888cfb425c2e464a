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

# trevanto.com, the program's face in a console, beside it.
install(TARGETS trevanto trevanto_console RUNTIME DESTINATION .)

# The Qt libraries the program links, and the plugins Qt loads at run time: the Windows
# platform, the native look of the widgets and the reader of .ico pictures. PNG needs no
# plugin, and printing is built into Qt6PrintSupport.dll.
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::PrintSupport
    RUNTIME DESTINATION .)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsIntegrationPlugin LIBRARY DESTINATION platforms)
# The native look is qwindowsvistastyle in Qt 6.4, qmodernwindowsstyle (the Vista and the
# Windows 11 looks) in Qt 6.8.
if(TARGET Qt6::QModernWindowsStylePlugin)
    install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QModernWindowsStylePlugin LIBRARY DESTINATION styles)
else()
    install(IMPORTED_RUNTIME_ARTIFACTS Qt6::QWindowsVistaStylePlugin LIBRARY DESTINATION styles)
endif()
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

# ---- the licences ---------------------------------------------------------------------

# licencas\ beside trevanto.exe holds the licence of the program and those of everything
# packed with it, with a LEIA-ME that names each file and says where Qt's source comes
# from. Qt's build records that in its stamp (scripts/windows-package.sh): Debian's
# source package of the very version, its compiler and its configuration.
set(TREVANTO_QT_VERSION ${Qt6Core_VERSION})
get_filename_component(_trevanto_qt_prefix "${Qt6Core_DIR}/../../.." ABSOLUTE)
set(_trevanto_qt_stamp ${_trevanto_qt_prefix}/trevanto-qt.stamp)
if(NOT EXISTS ${_trevanto_qt_stamp})
    message(FATAL_ERROR "${_trevanto_qt_stamp} is missing: the licences cannot say which "
                        "source Qt was built from (build Qt with scripts/windows-package.sh)")
endif()
file(STRINGS ${_trevanto_qt_stamp} _trevanto_stamp_lines)
set(TREVANTO_QT_OPTIONS "")
foreach(_line IN LISTS _trevanto_stamp_lines)
    if(_line MATCHES "^qt6-base (.+)$")
        set(TREVANTO_QT_DEBIAN_VERSION ${CMAKE_MATCH_1})
    elseif(_line MATCHES "^compiler (.+)$")
        set(TREVANTO_QT_COMPILER ${CMAKE_MATCH_1})
    elseif(_line MATCHES "^option (.+)$")
        set(_option ${CMAKE_MATCH_1})
        # "-G" and its value "Ninja" are two lines of the stamp; the install folder
        # is this machine's own.
        if(_option MATCHES "^-DCMAKE_INSTALL_PREFIX=")
        elseif(_option MATCHES "^-")
            string(APPEND TREVANTO_QT_OPTIONS "\n  ${_option}")
        else()
            string(APPEND TREVANTO_QT_OPTIONS " ${_option}")
        endif()
    endif()
endforeach()
string(APPEND TREVANTO_QT_OPTIONS "\n")
string(REGEX REPLACE "^\n" "" TREVANTO_QT_OPTIONS "${TREVANTO_QT_OPTIONS}")
if(NOT TREVANTO_QT_DEBIAN_VERSION)
    message(FATAL_ERROR "${_trevanto_qt_stamp} names no qt6-base version")
endif()
set(TREVANTO_QT_SOURCE "qt6-base ${TREVANTO_QT_DEBIAN_VERSION}")
set(TREVANTO_QT_SOURCE_APT "qt6-base=${TREVANTO_QT_DEBIAN_VERSION}")
execute_process(COMMAND dpkg-query -W "-f=\${source:Package} \${source:Version}, "
        gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev
    OUTPUT_VARIABLE TREVANTO_RUNTIME_SOURCES OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE ", *$" "" TREVANTO_RUNTIME_SOURCES "${TREVANTO_RUNTIME_SOURCES}")
string(REPLACE ", " " e " TREVANTO_RUNTIME_SOURCES "${TREVANTO_RUNTIME_SOURCES}")

# The texts in Windows' line ends, for Notepad of any age.
set(_trevanto_licences ${PROJECT_BINARY_DIR}/packaging/licencas)
configure_file(${_trevanto_packaging}/windows/licencas/LEIA-ME.txt.in
    ${_trevanto_licences}/LEIA-ME.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${_trevanto_licences}/Trevanto-GPL-3.0.txt
    @ONLY NEWLINE_STYLE CRLF)
foreach(_text IN ITEMS Qt-LGPL-3.0.txt GCC-runtime.txt MinGW-w64.txt)
    configure_file(${_trevanto_packaging}/windows/licencas/${_text} ${_trevanto_licences}/${_text}
        @ONLY NEWLINE_STYLE CRLF)
endforeach()
# What Qt carries inside differs from version to version: its notices are written for
# each version that is built here, by windows/collect-qt-notices.py from its source.
set(_trevanto_qt_notices ${_trevanto_packaging}/windows/licencas/Qt-terceiros-${TREVANTO_QT_VERSION}.txt)
if(NOT EXISTS "${_trevanto_qt_notices}")
    message(FATAL_ERROR "${_trevanto_qt_notices} is missing: write the notices of what Qt "
                        "${TREVANTO_QT_VERSION} carries inside with "
                        "packaging/windows/collect-qt-notices.py from its source")
endif()
configure_file(${_trevanto_qt_notices} ${_trevanto_licences}/Qt-terceiros.txt
    @ONLY NEWLINE_STYLE CRLF)
install(DIRECTORY ${_trevanto_licences}/ DESTINATION licencas)

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
# Trevanto with the program's icon, and an uninstaller in the system's list of programs;
# in Portuguese, upgrading in place, ending a running Trevanto before it replaces or
# removes it. Its script is packaging/windows/NSIS.template.in, which CPack finds on the
# module path in place of its own. The uninstaller removes what was installed and nothing
# else: the work file, kept in the user's AppData folder, stays.
list(PREPEND CMAKE_MODULE_PATH ${_trevanto_packaging}/windows)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Trevanto)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Trevanto)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Trevanto)
set(CPACK_NSIS_DISPLAY_NAME Trevanto)
set(CPACK_NSIS_UNINSTALL_NAME Desinstalar)
set(CPACK_NSIS_MUI_ICON ${TREVANTO_WINDOWS_ICON})
set(CPACK_NSIS_MUI_UNIICON ${TREVANTO_WINDOWS_ICON})
set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_NSIS_CONTACT "suporte@pervona.org.br")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The class Qt registers for a top-level window with an icon, which the installer
# looks for to end a running Trevanto: "Qt" and Qt's version's three numbers.
set(CPACK_NSIS_TREVANTO_WINDOW_CLASS
    "Qt${Qt6Core_VERSION_MAJOR}${Qt6Core_VERSION_MINOR}${Qt6Core_VERSION_PATCH}QWindowIcon")
# A 64-bit installer, as the program: it sees the 64-bit Program Files and registry as
# they are, and runs where only 64-bit Windows programs do (Wine without its 32-bit
# half).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The installer's own name differs from the zip's.
configure_file(${_trevanto_packaging}/windows/CPackOptions.cmake.in
    ${PROJECT_BINARY_DIR}/packaging/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/CPackOptions.cmake)

include(CPack)
