# Writes DIR/SHA256SUMS for FILES (names in DIR), in the form `sha256sum -c` reads.
#   cmake -DDIR=<folder> "-DFILES=<name>;<name>..." -P checksums.cmake
set(text "")
foreach(name IN LISTS FILES)
    file(SHA256 "${DIR}/${name}" digest)
    string(APPEND text "${digest}  ${name}\n")
endforeach()
file(WRITE "${DIR}/SHA256SUMS" "${text}")
