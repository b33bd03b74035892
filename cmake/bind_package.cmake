# Checks a signed MSIX as Windows checks it at install time, short of the machine's trust in the
# signer, and only then binds it: OUTPUT becomes a copy of PACKAGE, byte for byte, and
# IDENTITY_HEADER names its identity for the installer. A refusal says which file and why, and
# leaves both as they were.
#   cmake -DPACKAGE=<signed.msix> -DOUTPUT=<copy> -DIDENTITY_HEADER=<header> -DMSIX_PACK=<packer>
#         -DOSSLSIGNCODE=<program> -DCA_FILE=<roots> -P bind_package.cmake
function(refuse)
    file(REMOVE "${OUTPUT}.part" "${IDENTITY_HEADER}.part")
    list(JOIN ARGV "" reason)
    message(FATAL_ERROR "The package ${PACKAGE} cannot be shipped: ${reason}")
endfunction()

# What is checked is the copy that is bound.
file(COPY_FILE "${PACKAGE}" "${OUTPUT}.part")
execute_process(COMMAND "${MSIX_PACK}" check "${OUTPUT}.part" --identity-header "${IDENTITY_HEADER}.part"
                OUTPUT_VARIABLE checked ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    string(REGEX REPLACE "^msix-pack: |\n$" "" error "${error}")
    refuse("${error}.")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${CA_FILE}" -in "${OUTPUT}.part"
                OUTPUT_VARIABLE verified ERROR_VARIABLE verified RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    string(REGEX MATCHALL "[^\n]*(MISMATCH|[Ee]rror|[Ff]ailed)[^\n]*" lines "${verified}")
    list(JOIN lines "\n  " lines)
    refuse("its signature does not verify with the roots in ${CA_FILE} (osslsigncode verify):\n  ${lines}")
endif()
file(RENAME "${IDENTITY_HEADER}.part" "${IDENTITY_HEADER}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
message("${checked}")
