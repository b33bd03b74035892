# Writes a header that defines NAME as the SHA-512 (lower-case hex, narrow string literal) of INPUT.
#   cmake -DINPUT=<file> -DNAME=<macro> -DOUTPUT=<header> -P sha512_header.cmake
file(SHA512 "${INPUT}" digest)
file(WRITE "${OUTPUT}.new" "// Generated from ${INPUT}\n#pragma once\n#define ${NAME} \"${digest}\"\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
