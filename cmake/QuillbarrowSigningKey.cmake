# The build's Ed25519 key pair for the launcher's setup program: made once per build tree (never in
# git) with libsodium. `quillbarrow-service init` signs the demo setup with the secret half; the
# launcher carries the public half and starts only a setup whose signature it verifies. An operator
# who signs with a key of their own names its public half (64 hex digits, or the 32 raw bytes) here.
set(QUILLBARROW_SETUP_PUBLIC_KEY "" CACHE FILEPATH
    "Public Ed25519 key the launcher checks the setup program against (empty: the build's own)")

find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET GLOBAL libsodium)

set(QUILLBARROW_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
set(QUILLBARROW_SIGNING_KEY ${QUILLBARROW_SIGNING_DIR}/setup-signing.key CACHE INTERNAL
    "Secret Ed25519 key of the build (hex), made at build time by quillbarrow_signing_key")
set(QUILLBARROW_SIGNING_PUBLIC_KEY ${QUILLBARROW_SIGNING_DIR}/setup-signing.pub CACHE INTERNAL
    "Public Ed25519 key of the build (hex)")
if(QUILLBARROW_SETUP_PUBLIC_KEY)
    set(QUILLBARROW_TRUSTED_SETUP_KEY ${QUILLBARROW_SETUP_PUBLIC_KEY} CACHE INTERNAL "" FORCE)
else()
    set(QUILLBARROW_TRUSTED_SETUP_KEY ${QUILLBARROW_SIGNING_PUBLIC_KEY} CACHE INTERNAL "" FORCE)
endif()

add_executable(quillbarrow_make_signing_key ${CMAKE_CURRENT_LIST_DIR}/MakeSigningKey.c)
target_link_libraries(quillbarrow_make_signing_key PRIVATE PkgConfig::SODIUM)

# No file DEPENDS: a new key would orphan every signature already made, so it is made only when missing.
file(MAKE_DIRECTORY ${QUILLBARROW_SIGNING_DIR})
add_custom_command(
    OUTPUT ${QUILLBARROW_SIGNING_KEY} ${QUILLBARROW_SIGNING_PUBLIC_KEY}
    COMMAND quillbarrow_make_signing_key ${QUILLBARROW_SIGNING_KEY} ${QUILLBARROW_SIGNING_PUBLIC_KEY}
    COMMENT "Making the setup signing key pair in ${QUILLBARROW_SIGNING_DIR}"
    VERBATIM)
add_custom_target(quillbarrow_signing_key ALL DEPENDS ${QUILLBARROW_SIGNING_KEY} ${QUILLBARROW_SIGNING_PUBLIC_KEY})
add_dependencies(quillbarrow_signing_key quillbarrow_make_signing_key)
