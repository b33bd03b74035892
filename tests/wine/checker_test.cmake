# Binds our .NET checker into this test program, as the installer carries it.
set(checker_rc "${CMAKE_CURRENT_BINARY_DIR}/checker_test.rc")
file(WRITE "${checker_rc}" "EXE_NETCORECHECK EXE \"${CMAKE_BINARY_DIR}/bin/dotnet-check.exe\"\n")
target_sources(${target} PRIVATE "${checker_rc}")
set_source_files_properties("${checker_rc}" PROPERTIES OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/bin/dotnet-check.exe")
add_dependencies(${target} dotnet_check)
target_compile_definitions(${target} PRIVATE ORBALT_TEST_CHECKER="${CMAKE_BINARY_DIR}/bin/dotnet-check.exe")
