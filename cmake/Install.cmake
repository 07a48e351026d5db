# Installation: the two programs, the desktop entry, the application icon in
# the hicolor theme, the MIME type of the layered format, the AppStream
# metainfo and the user manual. `cmake --install build --prefix /usr` with
# DESTDIR set stages everything for a package; tests/install checks the result.
include(GNUInstallDirs)

set(ARDANE_APP_ID org.ardane.Ardane)
set(ARDANE_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
set(ARDANE_ICON_DIR ${CMAKE_SOURCE_DIR}/resources/icons/hicolor)

install(TARGETS ardane ardane-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${ARDANE_DESKTOP_DIR}/${ARDANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ARDANE_DESKTOP_DIR}/${ARDANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ARDANE_DESKTOP_DIR}/${ARDANE_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

foreach(size 16 32 48 64 128 256)
  install(FILES ${ARDANE_ICON_DIR}/${size}x${size}/apps/${ARDANE_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${ARDANE_ICON_DIR}/scalable/apps/${ARDANE_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${CMAKE_SOURCE_DIR}/resources/help/manual.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ardane)

# Installing straight onto the system (no DESTDIR) refreshes the MIME, desktop
# and icon caches so the new type and icon show up at once. Staged installs
# leave that to the package's own triggers.
install(CODE [[
  function(ardane_refresh_cache tool)
    find_program(ARDANE_CACHE_TOOL_${tool} ${tool})
    if(ARDANE_CACHE_TOOL_${tool})
      message(STATUS "Running ${tool}")
      execute_process(COMMAND ${ARDANE_CACHE_TOOL_${tool}} ${ARGN} RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(WARNING "${tool} failed (${rc}); the desktop may not see the new files until it runs")
      endif()
    endif()
  endfunction()
  if("$ENV{DESTDIR}" STREQUAL "")
    set(share "${CMAKE_INSTALL_PREFIX}/share")
    ardane_refresh_cache(update-mime-database "${share}/mime")
    ardane_refresh_cache(update-desktop-database -q "${share}/applications")
    # An icon cache only where the theme itself is installed: a cache beside
    # no index.theme could hide icons that other programs add later.
    if(EXISTS "${share}/icons/hicolor/index.theme")
      ardane_refresh_cache(gtk-update-icon-cache -q "${share}/icons/hicolor")
    endif()
  endif()
]])
