# The status window: in-process provider tests (status_window_test.cpp), a host program that holds
# the real window open, and a screenshot test at three scales and without fonts.
set(ORBALT_MANIFEST_FILE "${PROJECT_SOURCE_DIR}/resources/Orbalt.manifest")
set(ORBALT_ICON_FILE "${CMAKE_BINARY_DIR}/resources/Orbalt.ico")
configure_file("${CMAKE_CURRENT_SOURCE_DIR}/status_window_host.rc.in" "${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc"
               @ONLY)
add_executable(status_window_host status_window_host.cpp "${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc")
set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc" PROPERTIES
    OBJECT_DEPENDS "${ORBALT_LOGO};${ORBALT_ICON_FILE};${ORBALT_MANIFEST_FILE}")
add_dependencies(status_window_host orbalt_art)
target_link_libraries(status_window_host PRIVATE orbalt_win)
target_link_options(status_window_host PRIVATE -municode)
orbalt_warnings(status_window_host)
add_dependencies(${target} status_window_host)

# Variant prefixes (120 and 144 dpi, 96 dpi without the font replacements) are copied from the
# shared one; alone, so that no other test's process is inside it while it is copied.
set(status_window_dir "${ORBALT_WINE_DIR}/status-window")
add_test(NAME wine.status_window.prefixes
         COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/status_window_screens.py" prefixes "${ORBALT_WINETEST}"
                 "${ORBALT_WINE_PREFIX}" "${status_window_dir}")
set_tests_properties(wine.status_window.prefixes PROPERTIES FIXTURES_SETUP status_window_prefixes
                     FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE LABELS wine)
add_test(NAME wine.status_window.screens
         COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/status_window_screens.py" screens "${ORBALT_WINETEST}"
                 "${ORBALT_WINE_PREFIX}" "${status_window_dir}" "$<TARGET_FILE:status_window_host>"
                 "${CMAKE_BINARY_DIR}/artifacts/status-window")
set_tests_properties(wine.status_window.screens PROPERTIES FIXTURES_REQUIRED "wine_prefix;status_window_prefixes"
                     LABELS wine TIMEOUT 240)
