# The two addresses are file URLs: the .NET one at the fake installer, pinned to its digest; the
# framework one at this test program, pinned to a digest nothing has. The fake installer is also
# the embedded program the test extracts.
target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/src/core/build_constants.cpp")
add_dependencies(${target} fake_dotnet_digest fake_dotnet_installer)
set(installer_url "file:///Z:$<TARGET_FILE:fake_dotnet_installer>")
string(REPEAT "0" 128 no_digest)
target_compile_definitions(${target} PRIVATE
    ORBALT_DOTNET_URL="${installer_url}" ORBALT_FRAMEWORK_URL="file:///Z:$<TARGET_FILE:${target}>"
    ORBALT_CONSTANTS_HEADER="${ORBALT_FAKE_DOTNET_DIGEST_HEADER}" ORBALT_FRAMEWORK_SHA512="${no_digest}"
    ORBALT_APP_FAMILY_NAME="Tessaly.Orbalt_test" ORBALT_APP_FULL_NAME="Tessaly.Orbalt_test"
    ORBALT_TEST_FAKE_INSTALLER="Z:$<TARGET_FILE:fake_dotnet_installer>")
file(GENERATE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/held_files.rc"
     CONTENT "EXE_NETCORECHECK EXE \"$<TARGET_FILE:fake_dotnet_installer>\"\n")
target_sources(${target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/held_files.rc")
# The resource compiler does not see the embedded file: a rebuilt fake installer must rebuild it.
set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/held_files.rc" PROPERTIES
                            OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/tests/fakes/fake_dotnet_installer.exe")
