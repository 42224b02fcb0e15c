# Run as a script at build time: cmake -DOPENSSL=... -DCONFIG=... -DOUT_DIR=... -P MakeLocalCA.cmake
# Writes OUT_DIR/ca.pem and OUT_DIR/ca.key (0600). Both appear together or not at all.
foreach(var OPENSSL CONFIG OUT_DIR)
    if(NOT ${var})
        message(FATAL_ERROR "MakeLocalCA: ${var} is not set")
    endif()
endforeach()

file(MAKE_DIRECTORY ${OUT_DIR})
set(key_tmp ${OUT_DIR}/ca.key.new)
set(cert_tmp ${OUT_DIR}/ca.pem.new)
file(REMOVE ${key_tmp} ${cert_tmp})

# EC P-256 key, ten years: the CA outlives many service certificates, which init issues for 397 days.
execute_process(
    COMMAND ${OPENSSL} req -x509 -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes
            -keyout ${key_tmp} -out ${cert_tmp} -days 3650 -sha256
            -config ${CONFIG} -extensions v3_ca
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    file(REMOVE ${key_tmp} ${cert_tmp})
    message(FATAL_ERROR "MakeLocalCA: openssl failed (${result}):\n${output}")
endif()

file(CHMOD ${key_tmp} PERMISSIONS OWNER_READ OWNER_WRITE)
file(RENAME ${key_tmp} ${OUT_DIR}/ca.key)
file(RENAME ${cert_tmp} ${OUT_DIR}/ca.pem)
