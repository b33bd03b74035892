# The shipped installer (as linked, and as signed in dist/) and the package it must carry.
add_dependencies(${target} Orbalt orbalt_dist)
set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT
    "ORBALT_PACKAGE=Z:${ORBALT_PACKAGE_FILE};ORBALT_INSTALLER=Z:$<TARGET_FILE:Orbalt>;ORBALT_DIST_INSTALLER=Z:${ORBALT_DIST_DIR}/Orbalt.exe")
