# The status window: in-process provider tests (status_window_test.cpp), and the real installer's
# window, photographed at three scales and without fonts and read by a UI Automation client in
# another process (uia_dump.exe), by status_window.py.
add_executable(uia_dump uia_dump.cpp)
target_link_libraries(uia_dump PRIVATE orbalt_win)
orbalt_warnings(uia_dump)
add_dependencies(${target} uia_dump)
# The installer's icon, which the window's class must carry.
file(GENERATE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/status_window_icon.rc" CONTENT "101 ICON \"${ORBALT_ICON}\"\n")
target_sources(${target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/status_window_icon.rc")
set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/status_window_icon.rc" PROPERTIES OBJECT_DEPENDS "${ORBALT_ICON}")
add_dependencies(${target} orbalt_art)

add_test(NAME wine.status_window.screens
         COMMAND "${Python3_EXECUTABLE}" "${CMAKE_CURRENT_SOURCE_DIR}/status_window.py" "$<TARGET_FILE:uia_dump>"
                 "${CMAKE_BINARY_DIR}/artifacts/status-window")
set_tests_properties(wine.status_window.screens PROPERTIES LABELS wine TIMEOUT 300
                     FIXTURES_REQUIRED wine_prefix ENVIRONMENT "${ORBALT_TEST_ENVIRONMENT}")
