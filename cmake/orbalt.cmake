# Shared build settings for every target of the project.

# The two download addresses and the pinned digest of the .NET installer are constants of the
# program; a vendor overrides them here, and the test build points them at a loopback server.
set(ORBALT_DOTNET_URL
    "https://download.visualstudio.microsoft.com/download/pr/907765b0-2bf8-494e-93aa-5ef9553c5d68/a9308dc010617e6716c0e6abd53b05ce/windowsdesktop-runtime-8.0.8-win-x64.exe"
    CACHE STRING "Address of the .NET Desktop Runtime installer")
set(ORBALT_FRAMEWORK_URL "https://aka.ms/Microsoft.VCLibs.x64.14.00.Desktop.appx"
    CACHE STRING "Address of the VCLibs UWPDesktop framework package (set your own content-delivery host)")
set(ORBALT_DOTNET_SHA512
    "27484ffb1e9ce5e6290cda8f5f49563cf4a9e2692aa57429fcd0d3de4f30fc2fce204b1b120349ed50712e95d3fa51037ebaf9b7fd60c41856857b1372e0eac7"
    CACHE STRING "SHA-512 (hex) the downloaded .NET installer must have")
set(ORBALT_FRAMEWORK_SHA512 "" CACHE STRING "Optional SHA-512 (hex) of the framework package; empty: not checked")
# The application package the installer carries: a vendor's own signed MSIX, bound as it is, or
# (empty) the sample application that tools/sample-app packs and signs.
set(ORBALT_APP_PACKAGE "" CACHE FILEPATH "A signed MSIX of the application to ship instead of the sample application")
option(ORBALT_TEST_BUILD "Also build the test variant of the installer and the Windows-side tests" OFF)
set(ORBALT_HOST_BUILD_DIR "${CMAKE_BINARY_DIR}/host" CACHE PATH
    "Build tree of the host tools (the MSIX packer) that the Windows build runs and builds itself")
set(ORBALT_MSIX_PACK "${ORBALT_HOST_BUILD_DIR}/tools/msix-pack/msix-pack")

# Loopback port of the test build's download server: derived from the build tree, so that two
# checkouts on one machine do not fight over it.
string(MD5 _orbalt_tree_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${_orbalt_tree_hash}" 0 4 _orbalt_port_hex)
math(EXPR _orbalt_port "20000 + (0x${_orbalt_port_hex} % 20000)" OUTPUT_FORMAT DECIMAL)
set(ORBALT_TEST_HTTP_PORT "${_orbalt_port}" CACHE STRING "Loopback port of the test download server")

# Every time the build writes (package entry dates, signing time) comes from SOURCE_DATE_EPOCH,
# never from the clock, so that two builds of one commit give the same bytes: the environment's
# value at configure time, else the commit's time, else the time of this source tree's top file
# (an unpacked archive keeps it). A commit re-runs configure through HEAD's reflog.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ORBALT_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                    OUTPUT_VARIABLE ORBALT_SOURCE_DATE_EPOCH RESULT_VARIABLE _status
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND git rev-parse --path-format=absolute --git-path logs/HEAD
                    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE _head_log
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT _status EQUAL 0 OR ORBALT_SOURCE_DATE_EPOCH STREQUAL "")
        file(TIMESTAMP "${CMAKE_SOURCE_DIR}/CMakeLists.txt" ORBALT_SOURCE_DATE_EPOCH "%s" UTC)
    elseif(EXISTS "${_head_log}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_head_log}")
    endif()
endif()
if(NOT ORBALT_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not \"${ORBALT_SOURCE_DATE_EPOCH}\"")
endif()
# Steps that use the time depend on this file; it changes only when the time does.
set(ORBALT_SOURCE_DATE_FILE "${CMAKE_BINARY_DIR}/source-date-epoch.txt")
file(CONFIGURE OUTPUT "${ORBALT_SOURCE_DATE_FILE}" CONTENT "${ORBALT_SOURCE_DATE_EPOCH}\n")

# No build folder ends up in a binary (__FILE__, debug info).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=;-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")

function(orbalt_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                             -Wno-missing-field-initializers)
endfunction()

if(WIN32)
    # No MinGW runtime DLL travels with the executables; their headers carry no link time.
    add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s> -Wl,--no-insert-timestamp)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endif()

# Delay-loaded imports. DLLs outside the set that Windows always maps from System32 must not be
# imported statically: the loader would search the installer's own (Downloads) folder for them
# before our first line runs. A delay-import library resolves them on first use instead, after
# SetDefaultDllDirectories has restricted the search to System32.
#   orbalt_delay_import(<target> <dll-base-name> [DEF <file>])
# Without DEF, the exports are taken from MinGW's import library of the same name.
function(orbalt_delay_import target dll)
    cmake_parse_arguments(ARG "" "DEF" "" ${ARGN})
    set(lib "${CMAKE_BINARY_DIR}/delay/lib${dll}-delay.a")
    if(NOT TARGET orbalt_delay_${dll})
        if(ARG_DEF)
            set(def "${ARG_DEF}")
        else()
            set(def "${CMAKE_BINARY_DIR}/delay/${dll}.def")
            execute_process(COMMAND ${TOOLCHAIN_PREFIX}-nm -g /usr/${TOOLCHAIN_PREFIX}/lib/lib${dll}.a
                            OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
            string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
            set(text "LIBRARY ${dll}.dll\nEXPORTS\n")
            foreach(entry IN LISTS imports)
                string(REPLACE "I __imp_" "" name "${entry}")
                string(APPEND text "${name}\n")
            endforeach()
            file(WRITE "${def}" "${text}")
        endif()
        add_custom_command(OUTPUT "${lib}"
            COMMAND ${TOOLCHAIN_PREFIX}-dlltool --input-def "${def}" --dllname ${dll}.dll --output-delaylib "${lib}"
            DEPENDS "${def}" VERBATIM)
        add_custom_target(orbalt_delay_${dll} DEPENDS "${lib}")
    endif()
    add_dependencies(${target} orbalt_delay_${dll})
    target_link_libraries(${target} PRIVATE "${lib}" delayimp)
endfunction()

# Registers a file to be bound into the installer as resource NAME of type TYPE.
#   orbalt_add_payload(<type> <name> <file> <target that builds it>)
function(orbalt_add_payload type name file target)
    set_property(GLOBAL APPEND PROPERTY ORBALT_PAYLOAD_LINES "${name} ${type} \"${file}\"")
    set_property(GLOBAL APPEND PROPERTY ORBALT_PAYLOAD_FILES "${file}")
    set_property(GLOBAL APPEND PROPERTY ORBALT_PAYLOAD_TARGETS "${target}")
endfunction()

# Identity of the embedded package as the installer names it. tools/ replaces these with the
# values derived from the package manifest.
set_property(GLOBAL PROPERTY ORBALT_APP_IDENTITY_DEFINITIONS
    ORBALT_APP_FAMILY_NAME="Tessaly.Orbalt_h7c2q0xw4ma9s"
    ORBALT_APP_FULL_NAME="Tessaly.Orbalt_2.0.22.1414_x64__h7c2q0xw4ma9s")
