# The build's local certificate authority: made once per build tree (never in git), it signs the
# certificate that `quillbarrow-service init` issues for the local reference service, and the
# launcher of a local build trusts it as an extra root. Included before the launcher and the
# service so both see QUILLBARROW_CA_CERT on the first configure.
find_program(QUILLBARROW_OPENSSL openssl REQUIRED)

set(QUILLBARROW_CA_DIR ${CMAKE_BINARY_DIR}/ca)
set(QUILLBARROW_CA_CERT ${QUILLBARROW_CA_DIR}/ca.pem CACHE INTERNAL
    "Certificate of the build's local CA (made at build time by the target quillbarrow_local_ca)")
set(QUILLBARROW_CA_KEY ${QUILLBARROW_CA_DIR}/ca.key CACHE INTERNAL "Private key of the build's local CA")

# No DEPENDS: a new CA would orphan every certificate already issued, so it is made only when missing.
add_custom_command(
    OUTPUT ${QUILLBARROW_CA_CERT} ${QUILLBARROW_CA_KEY}
    COMMAND ${CMAKE_COMMAND} -DOPENSSL=${QUILLBARROW_OPENSSL}
            -DCONFIG=${CMAKE_SOURCE_DIR}/cmake/local-ca.cnf -DOUT_DIR=${QUILLBARROW_CA_DIR}
            -P ${CMAKE_SOURCE_DIR}/cmake/MakeLocalCA.cmake
    COMMENT "Making the local certificate authority in ${QUILLBARROW_CA_DIR}"
    VERBATIM)
add_custom_target(quillbarrow_local_ca ALL DEPENDS ${QUILLBARROW_CA_CERT} ${QUILLBARROW_CA_KEY})

# Its companion for the setup program's signature.
include(QuillbarrowSigningKey)
