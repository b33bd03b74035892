# The application from the package: the test starts the very file packed into the MSIX (the
# package checks compare the two).
add_dependencies(${target} OrbaltApp)
set_tests_properties(wine.${name} PROPERTIES
    ENVIRONMENT "ORBALT_SAMPLE_APP=Z:$<TARGET_FILE:OrbaltApp>")
