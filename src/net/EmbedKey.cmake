# Run as a script at build time: cmake -DKEY=setup.pub -DHEADER=SetupPublicKey.h -P EmbedKey.cmake
# Writes the Ed25519 public key (a file of 64 hex digits, or of the 32 raw bytes) as a hex constant.
foreach(var KEY HEADER)
    if(NOT ${var})
        message(FATAL_ERROR "EmbedKey: ${var} is not set")
    endif()
endforeach()

file(READ ${KEY} text)
string(STRIP "${text}" text)
if(NOT text MATCHES "^[0-9a-fA-F]+$")
    file(READ ${KEY} text HEX)
endif()
string(LENGTH "${text}" length)
if(NOT length EQUAL 64)
    message(FATAL_ERROR "EmbedKey: ${KEY} is not an Ed25519 public key (64 hex digits or 32 bytes)")
endif()
string(TOLOWER "${text}" text)

file(WRITE ${HEADER}.new
    "// Generated from ${KEY} by EmbedKey.cmake; do not edit.\n"
    "#pragma once\n\n"
    "inline constexpr char SetupPublicKeyHex[] = \"${text}\";\n")
file(COPY_FILE ${HEADER}.new ${HEADER} ONLY_IF_DIFFERENT)
file(REMOVE ${HEADER}.new)
