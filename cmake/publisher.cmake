# A package Publisher in the form OpenSSL prints a certificate Subject in with -nameopt RFC2253
# (last RDN first, no blanks after commas, ST for the state), which is the order Windows writes a
# Publisher in: Windows refuses a package whose Publisher is not its signer's Subject, so the
# configure step (a vendor's certificate) and the package check (a vendor's package) compare these.
function(orbalt_rfc2253 publisher out)
    string(REGEX REPLACE ",[ ]+" "," text "${publisher}")
    string(REGEX REPLACE "(^|,)S=" "\\1ST=" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
