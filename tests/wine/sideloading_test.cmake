# Registry values are arranged and put back by the test itself; it runs in the elevation tests'
# prefix so that no other test sees them meanwhile.
set_tests_properties(wine.sideloading_test PROPERTIES FIXTURES_REQUIRED "wine_prefix;elevation_prefix"
                     ENVIRONMENT "ORBALT_WINEPREFIX=${ORBALT_WINE_DIR}/elevation" RESOURCE_LOCK elevation_prefix
                     TIMEOUT 60)
