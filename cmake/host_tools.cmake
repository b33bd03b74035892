# Builds the host tools a Windows configure step and build run (the MSIX packer) in the host build
# tree, configured with the host preset when nothing has configured it yet, so that the Windows
# preset configures and builds on a fresh clone by itself.
#   cmake -DSOURCE=<top source folder> -DBINARY=<host build tree> -P host_tools.cmake
if(NOT EXISTS "${BINARY}/CMakeCache.txt")
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE}" -B "${BINARY}" --preset host COMMAND_ERROR_IS_FATAL ANY)
endif()
# One job beside the Windows build's others: the make that runs this step shares no job slots.
unset(ENV{MAKEFLAGS})
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY}" --target msix-pack COMMAND_ERROR_IS_FATAL ANY)
