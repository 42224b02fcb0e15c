# Gives an executable the fixed-information version record that ReadFileVersion reads: thirteen
# little-endian 32-bit words starting with the signature 0xFEEF04BD, in the ELF section ".fileversion".
function(quillbarrow_version_record target version)
    if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
        message(FATAL_ERROR "version record of ${target}: '${version}' is not four numbers")
    endif()
    foreach(i 1 2 3 4)
        if(CMAKE_MATCH_${i} GREATER 65535)
            message(FATAL_ERROR "version record of ${target}: part ${CMAKE_MATCH_${i}} is above 65535")
        endif()
    endforeach()
    math(EXPR ms "(${CMAKE_MATCH_1} << 16) | ${CMAKE_MATCH_2}" OUTPUT_FORMAT HEXADECIMAL)
    math(EXPR ls "(${CMAKE_MATCH_3} << 16) | ${CMAKE_MATCH_4}" OUTPUT_FORMAT HEXADECIMAL)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.c)
    file(CONFIGURE OUTPUT ${source} CONTENT
"/* generated: version record of ${target} (${version}) */
__attribute__((section(\".fileversion\"), used, aligned(4)))
static const unsigned int quillbarrow_version_record[13] = {
    0xFEEF04BDu, 0x00010000u, ${ms}u, ${ls}u, ${ms}u, ${ls}u,
    0x3Fu, 0u, 0u, 1u, 0u, 0u, 0u};
")
    target_sources(${target} PRIVATE ${source})
endfunction()
