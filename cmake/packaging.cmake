# What `cmake --install` puts where, and the packages `cpack` makes from it:
# a zip of a Windows build; a tar.gz and a .deb of a Linux one.
include(GNUInstallDirs)

set(zar_doc_files ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
  # A zip unpacked anywhere: the program in bin/, its papers beside bin/.
  install(FILES ${zar_doc_files} DESTINATION .)
else()
  install(FILES ${zar_doc_files} DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # Manual pages and changelogs are installed compressed, without a time
  # stamp in the gzip header, so that the packages are reproducible.
  find_program(ZAR_GZIP gzip REQUIRED)
  set(zar_man_page ${PROJECT_BINARY_DIR}/zar_uv5.1.gz)
  add_custom_command(
    OUTPUT ${zar_man_page}
    COMMAND ${ZAR_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/doc/zar_uv5.1 > ${zar_man_page}
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/zar_uv5.1
    COMMENT "Compressing the manual page")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
                 ${PROJECT_BINARY_DIR}/changelog @ONLY)
  set(zar_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
  add_custom_command(
    OUTPUT ${zar_changelog}
    COMMAND ${ZAR_GZIP} -9n -c ${PROJECT_BINARY_DIR}/changelog > ${zar_changelog}
    DEPENDS ${PROJECT_BINARY_DIR}/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(zar_papers ALL DEPENDS ${zar_man_page} ${zar_changelog})
  install(FILES ${zar_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${zar_changelog}
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(zar_package_platform windows-x86)
  else()
    set(zar_package_platform windows-x64)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" zar_package_platform)
  set(CPACK_GENERATOR TGZ)
  # The .deb's dependencies come from dpkg-shlibdeps, which only knows the
  # libraries of the machine it runs on: a .deb for this machine's own
  # architecture only.
  if(NOT CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
    list(APPEND CPACK_GENERATOR DEB)
  endif()
endif()
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The zar_uv5 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print the MD5 checksum of one file")
set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-${zar_package_platform}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb_doc_dir.cmake)

# The .deb: Debian package names take no underscore.
set(CPACK_DEBIAN_PACKAGE_NAME zar-uv5)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "The zar_uv5 developers <maintainers@users.noreply.c-seed-4e2c9874.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the first line of the description; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "zar_uv5 computes the MD5 message digest (RFC 1321) of one file and prints
it with the file's size, so that a person who has downloaded the file can
compare it with the value published for the download. It reads exactly one
file, writes none, keeps no state and has no options.")
include(CPack)
