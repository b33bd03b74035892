# Code signing of the MSIX package and the installer with osslsigncode.
#
# By default the build makes a development certificate (build tree only, never committed) whose
# Subject is ORBALT_PACKAGE_PUBLISHER. A vendor passes their own certificate instead, either
#   -DORBALT_SIGNING_PFX=vendor.pfx
# or
#   -DORBALT_SIGNING_CERT=chain.pem -DORBALT_SIGNING_KEY=key.pem
# with -DORBALT_SIGNING_PASSWORD_FILE=... when the key is protected, and sets
# ORBALT_PACKAGE_PUBLISHER to that certificate's Subject (checked at configure time).

set(ORBALT_PACKAGE_PUBLISHER "CN=Tessaly Orbalt Development, O=Tessaly, C=US" CACHE STRING
    "Publisher of the package: the Subject of the signing certificate as Windows writes it (CN first)")
set(ORBALT_SIGNING_PFX "" CACHE FILEPATH "Vendor signing certificate and key as PKCS#12 (instead of the development certificate)")
set(ORBALT_SIGNING_CERT "" CACHE FILEPATH "Vendor signing certificate chain, PEM or DER (instead of the development certificate)")
set(ORBALT_SIGNING_KEY "" CACHE FILEPATH "Private key of ORBALT_SIGNING_CERT, PEM or DER")
set(ORBALT_SIGNING_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of ORBALT_SIGNING_PFX or ORBALT_SIGNING_KEY")
set(ORBALT_SIGNING_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures (optional)")
set(ORBALT_SIGNING_CA_FILE "" CACHE FILEPATH
    "Trusted roots that verify a vendor's package when it is bound and their installer in the tests (default: the system's bundle)")
find_program(ORBALT_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(ORBALT_OPENSSL openssl REQUIRED)

# The MSIX packer writes a certificate's Subject as Windows does, for the Publisher checks below and
# the development certificate: configure builds it in the host tree first.
execute_process(COMMAND ${CMAKE_COMMAND} "-DSOURCE=${CMAKE_SOURCE_DIR}" "-DBINARY=${ORBALT_HOST_BUILD_DIR}" -P
                        "${CMAKE_SOURCE_DIR}/cmake/host_tools.cmake"
                OUTPUT_VARIABLE _built ERROR_VARIABLE _built RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
    message(FATAL_ERROR "Could not build the MSIX packer in ${ORBALT_HOST_BUILD_DIR}:\n${_built}")
endif()

# Roots that verify a vendor's signatures: their package's when the build binds it, their
# installer's in the tests.
set(_vendor_roots "${ORBALT_SIGNING_CA_FILE}")
if(NOT _vendor_roots)
    set(_vendor_roots /etc/ssl/certs/ca-certificates.crt)
endif()
set(ORBALT_VENDOR_VERIFY_CA "${_vendor_roots}" CACHE INTERNAL "")
set(_signing_dir "${CMAKE_BINARY_DIR}/signing")
set(_sign_args)
set(_sign_depends)
if(ORBALT_SIGNING_PFX OR ORBALT_SIGNING_CERT)
    if(ORBALT_SIGNING_PFX)
        set(_sign_args -pkcs12 "${ORBALT_SIGNING_PFX}")
        set(_sign_depends "${ORBALT_SIGNING_PFX}")
        set(_read_cert ${ORBALT_OPENSSL} pkcs12 -in "${ORBALT_SIGNING_PFX}" -nokeys -clcerts)
        if(ORBALT_SIGNING_PASSWORD_FILE)
            list(APPEND _read_cert -passin "file:${ORBALT_SIGNING_PASSWORD_FILE}")
        else()
            list(APPEND _read_cert -passin pass:)
        endif()
        list(APPEND _read_cert COMMAND "${ORBALT_MSIX_PACK}" subject -)
    else()
        if(NOT ORBALT_SIGNING_KEY)
            message(FATAL_ERROR "ORBALT_SIGNING_CERT needs ORBALT_SIGNING_KEY")
        endif()
        set(_sign_args -certs "${ORBALT_SIGNING_CERT}" -key "${ORBALT_SIGNING_KEY}")
        set(_sign_depends "${ORBALT_SIGNING_CERT}" "${ORBALT_SIGNING_KEY}")
        set(_read_cert "${ORBALT_MSIX_PACK}" subject "${ORBALT_SIGNING_CERT}")
    endif()
    if(ORBALT_SIGNING_PASSWORD_FILE)
        list(APPEND _sign_args -readpass "${ORBALT_SIGNING_PASSWORD_FILE}")
    endif()
    # Windows refuses a package whose Publisher is not the Subject of its signer: stop here
    # rather than ship such a package. A vendor's own package names its own Publisher, which the
    # package check compares with its own signer.
    if(NOT ORBALT_APP_PACKAGE)
        execute_process(COMMAND ${_read_cert} OUTPUT_VARIABLE _subject ERROR_VARIABLE _error RESULT_VARIABLE _status)
        string(REGEX REPLACE "\n$" "" _subject "${_subject}")
        if(NOT _status EQUAL 0 OR _subject STREQUAL "")
            # The package check still compares them when the build binds the signed package.
            message(WARNING "Could not read the Subject of the signing certificate to compare it with "
                            "ORBALT_PACKAGE_PUBLISHER (\"${ORBALT_PACKAGE_PUBLISHER}\"); make sure they match.\n"
                            "${_error}")
        elseif(NOT _subject STREQUAL ORBALT_PACKAGE_PUBLISHER)
            message(FATAL_ERROR "ORBALT_PACKAGE_PUBLISHER \"${ORBALT_PACKAGE_PUBLISHER}\" is not the Subject of the "
                                "signing certificate, which Windows writes as \"${_subject}\". Set it to that "
                                "text: Windows refuses a package whose Publisher is not its signer's Subject.")
        endif()
    endif()
    set(ORBALT_SIGNING_CERTIFICATE "" CACHE INTERNAL "")
    set(_verify_ca "${_vendor_roots}")
    add_custom_target(orbalt_signing_identity)
else()
    # Development certificate: self-signed, code signing only, its Subject the Publisher.
    execute_process(COMMAND "${ORBALT_MSIX_PACK}" openssl-subject "${ORBALT_PACKAGE_PUBLISHER}"
                    OUTPUT_VARIABLE _subj ERROR_VARIABLE _error RESULT_VARIABLE _status)
    if(NOT _status EQUAL 0)
        string(REGEX REPLACE "^msix-pack: |\n$" "" _error "${_error}")
        message(FATAL_ERROR "ORBALT_PACKAGE_PUBLISHER cannot be the Subject of a certificate: ${_error}.")
    endif()
    string(REGEX REPLACE "\n$" "" _subj "${_subj}")
    set(_key "${_signing_dir}/orbalt-dev.key")
    set(_cert "${_signing_dir}/orbalt-dev.pem")
    set(_cer "${_signing_dir}/orbalt-dev.cer")
    # Rewritten only when it changes: a new Publisher makes a new certificate.
    file(CONFIGURE OUTPUT "${_signing_dir}/subject.txt" CONTENT "@_subj@\n" @ONLY)
    add_custom_command(
        OUTPUT "${_key}" "${_cert}" "${_cer}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${_signing_dir}"
        COMMAND ${ORBALT_OPENSSL} req -x509 -newkey rsa:3072 -sha256 -nodes -days 1095 -keyout "${_key}"
                -out "${_cert}" -utf8 -subj "${_subj}" -addext "basicConstraints=critical,CA:FALSE"
                -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning"
        COMMAND ${ORBALT_OPENSSL} x509 -in "${_cert}" -outform DER -out "${_cer}"
        DEPENDS "${_signing_dir}/subject.txt"
        COMMENT "Generating the development signing certificate (${ORBALT_PACKAGE_PUBLISHER})"
        VERBATIM)
    add_custom_target(orbalt_signing_identity DEPENDS "${_key}" "${_cert}" "${_cer}")
    set(_sign_args -certs "${_cert}" -key "${_key}")
    set(_sign_depends "${_cert}" "${_key}")
    set(ORBALT_SIGNING_CERTIFICATE "${_cer}" CACHE INTERNAL "Development certificate (DER) a tester trusts")
    set(_verify_ca "${_cert}")
endif()
if(ORBALT_SIGNING_TIMESTAMP_URL)
    list(APPEND _sign_args -ts "${ORBALT_SIGNING_TIMESTAMP_URL}")
endif()
set(ORBALT_SIGN_ARGS "${_sign_args}" CACHE INTERNAL "")
set(ORBALT_SIGN_DEPENDS "${_sign_depends}" CACHE INTERNAL "")
set(ORBALT_SIGN_VERIFY_CA "${_verify_ca}" CACHE INTERNAL "")

# Signs INPUT into OUTPUT (a package or an executable; osslsigncode tells them apart by content),
# dated SOURCE_DATE_EPOCH: without a time-stamp server, the same key signs to the same bytes.
# THEN runs a command on the signed file before it takes OUTPUT's name.
#   orbalt_sign(<output> <input> [DESCRIPTION text] [DEPENDS files or targets...] [THEN command...])
# The caller makes a target that depends on OUTPUT and on orbalt_signing_identity.
function(orbalt_sign output input)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "DEPENDS;THEN" ${ARGN})
    set(extra)
    get_filename_component(directory "${output}" DIRECTORY)
    if(ARG_DESCRIPTION)
        set(extra -n "${ARG_DESCRIPTION}" -h sha256)
    endif()
    set(then)
    if(ARG_THEN)
        set(then COMMAND ${ARG_THEN} "${output}.part")
    endif()
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${directory}"
        COMMAND ${CMAKE_COMMAND} -E rm -f "${output}" "${output}.part"
        COMMAND ${ORBALT_OSSLSIGNCODE} sign ${ORBALT_SIGN_ARGS} -time ${ORBALT_SOURCE_DATE_EPOCH} ${extra}
                -in "${input}" -out "${output}.part"
        ${then}
        COMMAND ${CMAKE_COMMAND} -E rename "${output}.part" "${output}"
        DEPENDS "${input}" ${ORBALT_SIGN_DEPENDS} "${ORBALT_SOURCE_DATE_FILE}" ${ARG_DEPENDS}
        COMMENT "Signing ${output}"
        VERBATIM)
endfunction()

# A test that osslsigncode accepts the signature of FILE (label unit: it runs on the build machine).
function(orbalt_add_signature_test name file)
    add_test(NAME ${name} COMMAND ${ORBALT_OSSLSIGNCODE} verify -CAfile "${ORBALT_SIGN_VERIFY_CA}" -in "${file}")
    set_tests_properties(${name} PROPERTIES LABELS unit FAIL_REGULAR_EXPRESSION "MISMATCH")
endfunction()
