# The process runner starts tests/fakes' command-line recorder.
add_dependencies(${target} record_command_line)
target_compile_definitions(${target} PRIVATE ORBALT_TEST_RECORD_CHILD="$<TARGET_FILE:record_command_line>")
