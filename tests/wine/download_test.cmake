# Downloads from a loopback server of our own (tests/fakes/http_server.py) on a port next to the
# test build's: this program compiles the build constants with addresses there, the .NET one
# pinned to the fake installer's digest, the framework one unpinned as shipped.
math(EXPR download_port "${ORBALT_TEST_HTTP_PORT} + 1")
math(EXPR refused_port "${ORBALT_TEST_HTTP_PORT} + 2")
set(served "${CMAKE_CURRENT_BINARY_DIR}/download_served")
set(pidfile "${CMAKE_CURRENT_BINARY_DIR}/download_server.pid")
file(MAKE_DIRECTORY "${served}")
add_test(NAME wine.download_server.start
         COMMAND python3 "${ORBALT_HTTP_SERVER}" start --root "${served}" --port ${download_port}
                 --pidfile "${pidfile}" --log "${CMAKE_CURRENT_BINARY_DIR}/download_server.log" --chunk-delay 0.005)
add_test(NAME wine.download_server.stop COMMAND python3 "${ORBALT_HTTP_SERVER}" stop --pidfile "${pidfile}")
set_tests_properties(wine.download_server.start PROPERTIES FIXTURES_SETUP download_server)
set_tests_properties(wine.download_server.stop PROPERTIES FIXTURES_CLEANUP download_server)
set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;download_server")

target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/src/core/build_constants.cpp")
add_dependencies(${target} fake_dotnet_digest fake_dotnet_installer record_command_line)
set(loopback "http://127.0.0.1:${download_port}")
target_compile_definitions(${target} PRIVATE
    ORBALT_DOTNET_URL="${loopback}/dotnet/windowsdesktop-runtime-8.0.8-win-x64.exe"
    ORBALT_FRAMEWORK_URL="${loopback}/framework/Microsoft.VCLibs.x64.14.00.Desktop.appx"
    ORBALT_CONSTANTS_HEADER="${ORBALT_FAKE_DOTNET_DIGEST_HEADER}" ORBALT_FRAMEWORK_SHA512=""
    ORBALT_APP_FAMILY_NAME="Tessaly.Orbalt_test" ORBALT_APP_FULL_NAME="Tessaly.Orbalt_test"
    ORBALT_TEST_REFUSED_URL="http://127.0.0.1:${refused_port}/dotnet/windowsdesktop-runtime-8.0.8-win-x64.exe"
    ORBALT_TEST_SERVED="${served}" ORBALT_TEST_FAKE_INSTALLER="$<TARGET_FILE:fake_dotnet_installer>"
    ORBALT_TEST_OTHER_PROGRAM="$<TARGET_FILE:record_command_line>")
