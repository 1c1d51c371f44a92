# The release package, build/Chimora-<version>-win32.zip, and beside it its
# checksum, Chimora-<version>-win32.zip.sha256 (sha256sum's format), made by
#   cmake --build build --target package
# Everything lies in one top folder, Chimora-<version>/, so that "extract
# here" keeps it together. In it the two files a user copies
# (Chimora.vxm, Chimora.chm), the tray program that runs the module
# without the host (ChimoraTray.exe), the
# Japanese readme, the terms of use, a .reg file that removes the settings
# and, under sounds/, two sounds of the project's own; under sdk/ the
# public header, the import library, the export list and the module as
# Chimora.dll. Only the install component "release" goes into it.

set(CHIMORA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(chimora_rc ${CMAKE_SOURCE_DIR}/resources/chimora.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${chimora_rc} ${CMAKE_SOURCE_DIR}/exports)

# The version is the one the module's version block states: FILEVERSION
# 3, 0, ... is version 3.00, the minor number in two digits.
file(STRINGS ${chimora_rc} version_line REGEX "^FILEVERSION[ \t]")
if(NOT version_line MATCHES "^FILEVERSION[ \t]+([0-9]+)[ \t]*,[ \t]*([0-9]+)")
    message(FATAL_ERROR "No FILEVERSION line in ${chimora_rc}")
endif()
set(chimora_minor ${CMAKE_MATCH_2})
if(chimora_minor LESS 10)
    set(chimora_minor 0${chimora_minor})
endif()
set(CHIMORA_VERSION ${CMAKE_MATCH_1}.${chimora_minor})

# The import library. The export list maps each undecorated name to its
# stdcall symbol (GetPathName = GetPathName@8); dlltool wants the decorated
# symbols themselves, so that a caller links only with a declaration of the
# right convention and argument size, and -k imports them undecorated.
file(READ ${CMAKE_SOURCE_DIR}/exports export_list)
string(REGEX REPLACE "([A-Za-z_0-9]+) = ([A-Za-z_0-9@]+)" "\\2" import_list "${export_list}")
set(import_def ${CHIMORA_PACKAGE_DIR}/Chimora-import.def)
if(EXISTS ${import_def})
    file(READ ${import_def} old_import_list)
endif()
if(NOT "${import_list}" STREQUAL "${old_import_list}")
    file(WRITE ${import_def} "${import_list}")
endif()
# dlltool names the library's members after the output path: run it in place
# so that no build-tree path goes into the SDK.
add_custom_command(OUTPUT ${CHIMORA_PACKAGE_DIR}/libChimora.dll.a
    COMMAND ${CHIMORA_DLLTOOL} -k -d Chimora-import.def -l libChimora.dll.a
    WORKING_DIRECTORY ${CHIMORA_PACKAGE_DIR}
    DEPENDS ${import_def}
    VERBATIM)

# ---- The SDK for MSVC-style toolchains and for CMake.
# lib /def cannot make an import library that imports a stdcall function
# under its plain name, and a mingw import library fails an x86 link with
# /SAFESEH: Chimora.lib is an MSVC-format import library made by
# llvm-dlltool from the same decorated list, so that _GetPathName@8 links
# and imports GetPathName. Its members are named after the DLL, it carries
# no time stamp, and it is made in place like the mingw one.
find_program(CHIMORA_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
add_custom_command(OUTPUT ${CHIMORA_PACKAGE_DIR}/Chimora.lib
    COMMAND ${CHIMORA_LLVM_DLLTOOL} -m i386 -k -d Chimora-import.def -l Chimora.lib
    WORKING_DIRECTORY ${CHIMORA_PACKAGE_DIR}
    DEPENDS ${import_def}
    VERBATIM)
add_custom_target(chimora_msvc_import ALL DEPENDS ${CHIMORA_PACKAGE_DIR}/Chimora.lib)
install(FILES ${CHIMORA_PACKAGE_DIR}/Chimora.lib DESTINATION sdk/lib COMPONENT release)
# find_package(Chimora 3.0 CONFIG) with the SDK's folder in CMAKE_PREFIX_PATH
# gives the imported target Chimora::Chimora. The DLL is 32-bit: the version
# file turns the package down for a 64-bit build.
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CHIMORA_PACKAGE_DIR}/ChimoraConfigVersion.cmake
    VERSION ${CHIMORA_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/ChimoraConfig.cmake
              ${CHIMORA_PACKAGE_DIR}/ChimoraConfigVersion.cmake
        DESTINATION sdk/lib/cmake/Chimora COMPONENT release)

# The readme is kept in UTF-8; Notepad on every Windows version reads the
# system code page (932) with CRLF line ends.
configure_file(${CMAKE_SOURCE_DIR}/docs/readme-ja.txt ${CHIMORA_PACKAGE_DIR}/readme-ja.utf8.txt
    @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${CHIMORA_PACKAGE_DIR}/readme-ja.txt
    COMMAND ${CHIMORA_ICONV} -f UTF-8 -t CP932 ${CHIMORA_PACKAGE_DIR}/readme-ja.utf8.txt
            > ${CHIMORA_PACKAGE_DIR}/readme-ja.txt
    DEPENDS ${CHIMORA_PACKAGE_DIR}/readme-ja.utf8.txt
    VERBATIM)
configure_file(${CMAKE_SOURCE_DIR}/docs/remove-settings.reg ${CHIMORA_PACKAGE_DIR}/remove-settings.reg
    @ONLY NEWLINE_STYLE CRLF)

add_custom_target(chimora_package_files ALL DEPENDS
    ${CHIMORA_PACKAGE_DIR}/libChimora.dll.a ${CHIMORA_PACKAGE_DIR}/readme-ja.txt)

install(FILES ${CMAKE_BINARY_DIR}/Chimora.vxm ${CMAKE_BINARY_DIR}/Chimora.chm
              ${CMAKE_BINARY_DIR}/ChimoraTray.exe
              ${CHIMORA_PACKAGE_DIR}/readme-ja.txt ${CHIMORA_PACKAGE_DIR}/remove-settings.reg
        DESTINATION . COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/include/chimora.h DESTINATION sdk/include COMPONENT release)
install(FILES ${CHIMORA_PACKAGE_DIR}/libChimora.dll.a DESTINATION sdk/lib COMPONENT release)
install(FILES ${CMAKE_SOURCE_DIR}/exports DESTINATION sdk/lib RENAME Chimora.def
        COMPONENT release)
# The import library loads Chimora.dll: the same bytes as the .vxm.
install(FILES ${CMAKE_BINARY_DIR}/Chimora.vxm DESTINATION sdk/bin RENAME Chimora.dll
        COMPONENT release)

# The package's own sounds and its terms of use.
# signal.wav sounds once per interval; bell.wav is one stroke of a striking
# clock, short enough that the 24 strokes of midnight end in well under a
# minute (the readme states both lengths, tests/package_test.sh checks them).
# chimora_tone (host/CMakeLists.txt) runs sox without dither: the same bytes
# from every build.
chimora_tone(signal.wav 1.5 0.4 880 1760)
chimora_tone(bell.wav 1.0 0.95 392 784 941 1176 1568)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CHIMORA_PACKAGE_DIR}/LICENSE.txt
    @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/signal.wav ${CMAKE_BINARY_DIR}/bell.wav
        DESTINATION sounds COMPONENT release)
install(FILES ${CHIMORA_PACKAGE_DIR}/LICENSE.txt DESTINATION . COMPONENT release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Chimora)
set(CPACK_PACKAGE_VERSION ${CHIMORA_VERSION})
set(CPACK_PACKAGE_FILE_NAME Chimora-${CHIMORA_VERSION}-win32)
# CPack's own top folder would carry the file name's "-win32": the install
# project's subdirectory names it instead.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Chimora;release;/Chimora-${CHIMORA_VERSION}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
