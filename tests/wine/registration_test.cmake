# Registration through combase's real activation of the simulated deployment service.
set_tests_properties(wine.registration_test PROPERTIES FIXTURES_REQUIRED "wine_prefix;deployment_service")
add_dependencies(${target} fake_deployment_service)
