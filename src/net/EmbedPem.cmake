# Run as a script at build time: cmake -DPEM=ca.pem|NONE -DHEADER=LocalCaPem.h -P EmbedPem.cmake
# Writes the certificate as a C++ string constant; the header changes only when the certificate does.
foreach(var PEM HEADER)
    if(NOT ${var})
        message(FATAL_ERROR "EmbedPem: ${var} is not set")
    endif()
endforeach()

# NONE: no local CA at all (a build for a real host).
set(pem "")
if(NOT PEM STREQUAL "NONE")
    file(READ ${PEM} pem)
endif()
string(FIND "${pem}" "-----BEGIN CERTIFICATE-----" begin)
string(FIND "${pem}" ")pem\"" delimiter)
if((begin LESS 0 AND NOT PEM STREQUAL "NONE") OR NOT delimiter EQUAL -1)
    message(FATAL_ERROR "EmbedPem: ${PEM} is not a PEM certificate")
endif()

file(WRITE ${HEADER}.new
    "// Generated from ${PEM} by EmbedPem.cmake; do not edit.\n"
    "#pragma once\n\n"
    "inline constexpr char LocalCaPem[] = R\"pem(${pem})pem\";\n")
file(COPY_FILE ${HEADER}.new ${HEADER} ONLY_IF_DIFFERENT)
file(REMOVE ${HEADER}.new)
