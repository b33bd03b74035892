# Registration through combase's real activation of the simulated deployment service.
add_dependencies(${target} fake_deployment_service)
