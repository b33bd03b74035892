# The status window: in-process provider tests (status_window_test.cpp), and the real window held
# open by status_window_host.exe, photographed at three scales and without fonts and read by a
# UI Automation client in another process (uia_dump.exe), all by status_window.py.
set(ORBALT_MANIFEST_FILE "${PROJECT_SOURCE_DIR}/resources/Orbalt.manifest")
set(ORBALT_ICON_FILE "${CMAKE_BINARY_DIR}/resources/Orbalt.ico")
configure_file("${CMAKE_CURRENT_SOURCE_DIR}/status_window_host.rc.in" "${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc"
               @ONLY)
add_executable(status_window_host status_window_host.cpp "${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc")
set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/status_window_host.rc" PROPERTIES
    OBJECT_DEPENDS "${ORBALT_LOGO};${ORBALT_ICON_FILE};${ORBALT_MANIFEST_FILE}")
add_dependencies(status_window_host orbalt_art)
add_executable(uia_dump uia_dump.cpp)
foreach(program status_window_host uia_dump)
    target_link_libraries(${program} PRIVATE orbalt_win)
    target_link_options(${program} PRIVATE -municode)
    orbalt_warnings(${program})
    add_dependencies(${target} ${program})
endforeach()

# The prefixes (96, 120 and 144 dpi, 96 dpi without the font replacements) are copied from the
# shared one; alone, so that no other test's process is inside it while it is copied.
set(script "${CMAKE_CURRENT_SOURCE_DIR}/status_window.py")
set(status_window_dir "${ORBALT_WINE_DIR}/status-window")
add_test(NAME wine.status_window.prefixes
         COMMAND "${script}" prefixes "${ORBALT_WINETEST}" "${ORBALT_WINE_PREFIX}" "${status_window_dir}")
set_tests_properties(wine.status_window.prefixes PROPERTIES FIXTURES_SETUP status_window_prefixes
                     FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE LABELS wine)
add_test(NAME wine.status_window.screens
         COMMAND "${script}" screens "${ORBALT_WINETEST}" "${status_window_dir}" "$<TARGET_FILE:status_window_host>"
                 "$<TARGET_FILE:uia_dump>" "${CMAKE_BINARY_DIR}/artifacts/status-window")
set_tests_properties(wine.status_window.screens PROPERTIES FIXTURES_REQUIRED "wine_prefix;status_window_prefixes"
                     LABELS wine TIMEOUT 240)
