# Deployment and launch through the real activation path, against the simulated service.
set_tests_properties(wine.deployment_test PROPERTIES FIXTURES_REQUIRED "wine_prefix;deployment_service")
add_dependencies(${target} fake_deployment_service)
# LaunchApp names the package family of the installer's build constants.
get_property(identity GLOBAL PROPERTY ORBALT_APP_IDENTITY_DEFINITIONS)
target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/src/core/build_constants.cpp")
target_compile_definitions(${target} PRIVATE ORBALT_DOTNET_URL="" ORBALT_FRAMEWORK_URL="" ORBALT_DOTNET_SHA512=""
                                             ORBALT_FRAMEWORK_SHA512="" ${identity})
