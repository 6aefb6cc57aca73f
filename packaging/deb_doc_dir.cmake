# Run by CPack once the files to package are staged; changes only the .deb.
# A Debian package keeps its documentation under /usr/share/doc/<package
# name>, and a Debian package name cannot hold an underscore, so the .deb's
# folder is zar-uv5; every other install keeps the project's own name. The
# .deb also carries its lintian overrides.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(zar_share "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
  if(NOT IS_DIRECTORY "${zar_share}/doc/zar_uv5")
    message(FATAL_ERROR "No staged documentation at ${zar_share}/doc/zar_uv5")
  endif()
  file(RENAME "${zar_share}/doc/zar_uv5" "${zar_share}/doc/zar-uv5")
  file(MAKE_DIRECTORY "${zar_share}/lintian/overrides")
  file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/lintian-overrides"
       "${zar_share}/lintian/overrides/zar-uv5")
  file(CHMOD "${zar_share}/lintian/overrides/zar-uv5"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
