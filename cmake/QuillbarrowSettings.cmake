# One place for the language level, warnings and Qt safety defines; every target links it.
add_library(quillbarrow_settings INTERFACE)
target_compile_features(quillbarrow_settings INTERFACE cxx_std_20)
target_compile_options(quillbarrow_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Wimplicit-fallthrough
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual>)
if(QUILLBARROW_WERROR)
    target_compile_options(quillbarrow_settings INTERFACE -Werror)
endif()
target_compile_definitions(quillbarrow_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)

if(QUILLBARROW_SANITIZE)
    target_compile_options(quillbarrow_settings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillbarrow_settings INTERFACE -fsanitize=address,undefined)
endif()

# Coverage for libFuzzer in every library; only the fuzz targets link its main (fuzz/CMakeLists.txt).
if(QUILLBARROW_FUZZ)
    target_compile_options(quillbarrow_settings INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillbarrow_settings INTERFACE -fsanitize=address,undefined)
endif()
