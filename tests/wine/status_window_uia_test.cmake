# The client test starts status_window_host.exe (status_window_test.cmake) from its own folder.
add_dependencies(${target} status_window_host)
