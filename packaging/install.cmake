# Install layout and the Debian package (included from the top-level CMakeLists.txt).
#   cmake --install build --prefix /usr        or        (cd build && cpack -G DEB)
#
#   bin/tollhaven, bin/tollhaven-cli
#   share/tollhaven/tollhaven.hlp                       help file (the programs look here)
#   share/applications/org.tollhaven.Tollhaven.desktop
#   share/metainfo/org.tollhaven.Tollhaven.metainfo.xml
#   share/icons/hicolor/scalable/apps/tollhaven.svg, share/icons/hicolor/NxN/apps/tollhaven.png
#   share/man/man1/tollhaven.1.gz, tollhaven-cli.1.gz
#   share/bash-completion/completions/tollhaven-cli
#   share/doc/tollhaven/copyright, changelog.gz
include(GNUInstallDirs)
set(TH_PKG_DIR ${CMAKE_SOURCE_DIR}/packaging/linux)
set(TH_HOMEPAGE "https://tollhaven.example.org" CACHE STRING "Project home page named by the AppStream file")

# Installed programs resolve their libraries at start and keep the relocations read-only.
foreach(program tollhaven tollhaven-cli)
  if(TARGET ${program})
    target_link_options(${program} PRIVATE -Wl,-z,relro,-z,now)
  endif()
endforeach()

if(TARGET tollhaven-cli)
  install(TARGETS tollhaven-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tollhaven)
  install(TARGETS tollhaven RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/src/ui/main/tollhaven.hlp DESTINATION ${CMAKE_INSTALL_DATADIR}/tollhaven)
  install(FILES ${TH_PKG_DIR}/org.tollhaven.Tollhaven.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${TH_PKG_DIR}/org.tollhaven.Tollhaven.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/packaging/org.tollhaven.Tollhaven.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/org.tollhaven.Tollhaven.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${TH_PKG_DIR}/tollhaven.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # PNG sizes drawn from the SVG at build time.
  find_program(TH_RSVG_CONVERT rsvg-convert)
  if(TH_RSVG_CONVERT)
    set(_pngs "")
    foreach(size 16 32 48 64 128 256)
      set(_png ${CMAKE_BINARY_DIR}/packaging/icons/${size}x${size}/tollhaven.png)
      add_custom_command(OUTPUT ${_png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/icons/${size}x${size}
        COMMAND ${TH_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${TH_PKG_DIR}/tollhaven.svg
        DEPENDS ${TH_PKG_DIR}/tollhaven.svg VERBATIM)
      list(APPEND _pngs ${_png})
      install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(th_icons ALL DEPENDS ${_pngs})
  else()
    message(WARNING "rsvg-convert not found (librsvg2-bin): the install has the SVG icon only")
  endif()
endif()

# Man pages and the changelog, compressed as Debian wants them.
set(_gz_files "")
foreach(page tollhaven.1 tollhaven-cli.1)
  set(_gz ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
  add_custom_command(OUTPUT ${_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n < '${TH_PKG_DIR}/${page}' > '${_gz}'"
    DEPENDS ${TH_PKG_DIR}/${page} VERBATIM)
  list(APPEND _gz_files ${_gz})
  install(FILES ${_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND sh -c "gzip -9n < '${TH_PKG_DIR}/changelog' > '${_changelog}'"
  DEPENDS ${TH_PKG_DIR}/changelog VERBATIM)
add_custom_target(th_packaging_files ALL DEPENDS ${_gz_files} ${_changelog})
install(FILES ${TH_PKG_DIR}/copyright ${_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tollhaven)
install(FILES ${TH_PKG_DIR}/tollhaven-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tollhaven-cli)

# ---- Debian package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tollhaven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Tollhaven developers <tollhaven@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover browsable pages from a Netscape 4.x disk cache")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tollhaven reads the disk cache of Netscape Navigator / Communicator 4.x (its\nFAT.DB index and body files), shows the cached objects in a tree of hosts and\nfolders and copies pages back to disk with their links made local.\n\ntollhaven-cli lists, searches and exports caches from the command line and\nwrites them as WARC files for web archives.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TH_HOMEPAGE})
# Dependencies from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian's own layout: root-owned files, 0755 folders.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Installed programs carry no debug sections (lintian: unstripped-binary-or-object).
set(CPACK_STRIP_FILES ON)
include(CPack)
