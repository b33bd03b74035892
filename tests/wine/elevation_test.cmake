# This program is its own elevated copy (a wmain of its own), reads other processes' command lines
# (ntdll) and drives the real installer. It runs in a prefix of the elevation tests' own: the
# installer's log in the user's temporary folder must not be shared with other tests.
target_link_options(wine_elevation_test PRIVATE -municode)
target_link_libraries(wine_elevation_test PRIVATE ntdll)
target_compile_definitions(wine_elevation_test PRIVATE ORBALT_INSTALLER_PATH="$<TARGET_FILE:Orbalt>")
add_dependencies(wine_elevation_test Orbalt)

set(ORBALT_ELEVATION_PREFIX "${ORBALT_WINE_DIR}/elevation")
add_test(NAME wine.elevation.prefix
         COMMAND "${ORBALT_WINETEST}" clone "${ORBALT_WINE_PREFIX}" "${ORBALT_ELEVATION_PREFIX}")
add_test(NAME wine.elevation.prefix.remove COMMAND "${CMAKE_COMMAND}" -E rm -rf "${ORBALT_ELEVATION_PREFIX}")
set_tests_properties(wine.elevation.prefix PROPERTIES FIXTURES_SETUP elevation_prefix
                     FIXTURES_REQUIRED wine_prefix TIMEOUT 60)
set_tests_properties(wine.elevation.prefix.remove PROPERTIES FIXTURES_CLEANUP elevation_prefix)
set_tests_properties(wine.elevation_test PROPERTIES FIXTURES_REQUIRED "wine_prefix;elevation_prefix"
                     ENVIRONMENT "ORBALT_WINEPREFIX=${ORBALT_ELEVATION_PREFIX}" RESOURCE_LOCK elevation_prefix
                     TIMEOUT 120)

