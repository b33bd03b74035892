# The installer executables, defined once every library, tool and payload is known.
if(WIN32)
    # One installer per set of build constants: the shipped Orbalt.exe, and in the test build
    # OrbaltTest.exe, whose download addresses and digests point at the loopback test server.
    function(orbalt_installer target)
        cmake_parse_arguments(ARG "" "DOTNET_URL;FRAMEWORK_URL;DOTNET_SHA512;FRAMEWORK_SHA512;DOTNET_SHA512_HEADER"
                              "" ${ARGN})
        add_executable(${target} WIN32 ${CMAKE_SOURCE_DIR}/src/driver/main_win.cpp
                                         ${CMAKE_SOURCE_DIR}/src/core/build_constants.cpp)
        target_link_libraries(${target} PRIVATE orbalt_win orbalt_resources)
        orbalt_warnings(${target})
        get_property(identity GLOBAL PROPERTY ORBALT_APP_IDENTITY_DEFINITIONS)
        if(ARG_DOTNET_SHA512_HEADER)
            # A digest known only at build time comes in a generated header.
            set(dotnet_digest ORBALT_CONSTANTS_HEADER="${ARG_DOTNET_SHA512_HEADER}")
        else()
            set(dotnet_digest ORBALT_DOTNET_SHA512="${ARG_DOTNET_SHA512}")
        endif()
        target_compile_definitions(${target} PRIVATE
            ORBALT_DOTNET_URL="${ARG_DOTNET_URL}" ORBALT_FRAMEWORK_URL="${ARG_FRAMEWORK_URL}"
            ${dotnet_digest} ORBALT_FRAMEWORK_SHA512="${ARG_FRAMEWORK_SHA512}" ${identity})
        set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
    endfunction()

    # Made by tests/fakes from the fake .NET installer; used by OrbaltTest and the download tests.
    set(ORBALT_FAKE_DOTNET_DIGEST_HEADER "${CMAKE_BINARY_DIR}/generated/fake_dotnet_digest.h")
    orbalt_installer(Orbalt DOTNET_URL "${ORBALT_DOTNET_URL}" FRAMEWORK_URL "${ORBALT_FRAMEWORK_URL}"
                     DOTNET_SHA512 "${ORBALT_DOTNET_SHA512}" FRAMEWORK_SHA512 "${ORBALT_FRAMEWORK_SHA512}")
    # The deliverable: the shipped installer, signed, in dist/; beside it the signed package it
    # carries, the pinned digests of the prerequisites and the checksums of all three that a user
    # or a mirror checks a download with.
    set(ORBALT_DIST_DIR "${CMAKE_SOURCE_DIR}/dist" CACHE PATH "Where the signed Orbalt.exe and Orbalt.msix are written, with their checksums")
    set(dist "${ORBALT_DIST_DIR}/Orbalt.exe" "${ORBALT_DIST_DIR}/Orbalt.msix")
    orbalt_sign("${ORBALT_DIST_DIR}/Orbalt.exe" "$<TARGET_FILE:Orbalt>" DESCRIPTION "Orbalt Installer" DEPENDS Orbalt)
    add_custom_command(OUTPUT "${ORBALT_DIST_DIR}/Orbalt.msix"
                       COMMAND ${CMAKE_COMMAND} -E copy "${ORBALT_PACKAGE_FILE}" "${ORBALT_DIST_DIR}/Orbalt.msix"
                       DEPENDS "${ORBALT_PACKAGE_FILE}" orbalt_package VERBATIM)
    # The pinned digests under the names the installer looks for beside itself (the last segment of
    # each address), in the form `sha512sum -c` reads, so that administrators can check the files
    # they deploy with it. Rewritten when a setting changes; it reaches dist/ once the rest has.
    set(pins "")
    foreach(prerequisite DOTNET FRAMEWORK)
        string(REGEX REPLACE "[?#].*" "" address "${ORBALT_${prerequisite}_URL}")
        if(NOT ORBALT_${prerequisite}_SHA512 STREQUAL "" AND address MATCHES "://[^/]*/([^/]*/)*([^/]+)$")
            string(TOLOWER "${ORBALT_${prerequisite}_SHA512}" digest)
            string(APPEND pins "${digest}  ${CMAKE_MATCH_2}\n")
        endif()
    endforeach()
    set(prerequisites "${CMAKE_BINARY_DIR}/PREREQUISITES.sha512")
    file(WRITE "${prerequisites}.new" "${pins}")
    file(COPY_FILE "${prerequisites}.new" "${prerequisites}" ONLY_IF_DIFFERENT)
    add_custom_command(OUTPUT "${ORBALT_DIST_DIR}/SHA256SUMS" "${ORBALT_DIST_DIR}/PREREQUISITES.sha512"
                       COMMAND ${CMAKE_COMMAND} -E copy "${prerequisites}" "${ORBALT_DIST_DIR}/PREREQUISITES.sha512"
                       COMMAND ${CMAKE_COMMAND} "-DDIR=${ORBALT_DIST_DIR}"
                               "-DFILES=Orbalt.exe;Orbalt.msix;PREREQUISITES.sha512" -P
                               "${CMAKE_SOURCE_DIR}/cmake/checksums.cmake"
                       DEPENDS ${dist} "${prerequisites}" "${CMAKE_SOURCE_DIR}/cmake/checksums.cmake"
                       COMMENT "Writing ${ORBALT_DIST_DIR}/PREREQUISITES.sha512 and SHA256SUMS" VERBATIM)
    add_custom_target(orbalt_dist ALL DEPENDS ${dist} "${ORBALT_DIST_DIR}/SHA256SUMS")
    add_dependencies(orbalt_dist orbalt_signing_identity)
    if(ORBALT_TEST_BUILD)
        set(loopback "http://127.0.0.1:${ORBALT_TEST_HTTP_PORT}")
        # The test build's .NET installer is the fake one of tests/fakes, pinned by its digest.
        orbalt_installer(OrbaltTest DOTNET_URL "${loopback}/dotnet/windowsdesktop-runtime-8.0.8-win-x64.exe"
                         FRAMEWORK_URL "${loopback}/framework/Microsoft.VCLibs.x64.14.00.Desktop.appx"
                         DOTNET_SHA512_HEADER "${ORBALT_FAKE_DOTNET_DIGEST_HEADER}" FRAMEWORK_SHA512 "")
        add_dependencies(OrbaltTest fake_dotnet_digest)
    endif()
endif()
