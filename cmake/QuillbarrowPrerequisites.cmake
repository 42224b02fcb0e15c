# Files and programs the build, the service and the suite take from Debian packages. Looked for at
# configure time so a missing one stops cmake at once and names the package that brings it, rather
# than failing half-way through the build or as a puzzling test failure.
# scripts/install-deps.sh installs every package named here.

set(quillbarrow_missing "")

function(quillbarrow_require_file path package)
    if(NOT EXISTS "${path}")
        set(quillbarrow_missing "${quillbarrow_missing}\n  ${path} (package ${package})" PARENT_SCOPE)
    endif()
endfunction()

# Sets QUILLBARROW_<NAME> to the program's path.
function(quillbarrow_require_program name package)
    string(TOUPPER "QUILLBARROW_${name}" var)
    string(REPLACE "-" "_" var "${var}")
    find_program(${var} ${name} PATHS /usr/sbin /sbin)
    if(NOT ${var})
        set(quillbarrow_missing "${quillbarrow_missing}\n  ${name} (package ${package})" PARENT_SCOPE)
    endif()
endfunction()

if(NOT QUILLBARROW_BASE_ONLY)
    # The skin generator draws with these faces.
    set(dejavu /usr/share/fonts/truetype/dejavu)
    foreach(face DejaVuSans DejaVuSans-Bold DejaVuSerif DejaVuSerif-Bold)
        quillbarrow_require_file(${dejavu}/${face}.ttf fonts-dejavu-core)
    endforeach()
    foreach(face DejaVuSansCondensed DejaVuSansCondensed-Bold DejaVuSans-ExtraLight DejaVuSerifCondensed-Bold)
        quillbarrow_require_file(${dejavu}/${face}.ttf fonts-dejavu-extra)
    endforeach()
    quillbarrow_require_program(openssl openssl)
    # The download's HTTP stack: Debian's OpenSSL build of libcurl (the only one with our trust hook).
    quillbarrow_require_file(/usr/include/${CMAKE_LIBRARY_ARCHITECTURE}/curl/curl.h libcurl4-openssl-dev)
    quillbarrow_require_program(zip zip)
    quillbarrow_require_program(nginx nginx)
    if(BUILD_TESTING)
        quillbarrow_require_program(xvfb-run xvfb)
        quillbarrow_require_program(xauth xauth)
        quillbarrow_require_program(Xvfb xvfb)
        quillbarrow_require_program(openbox openbox)
    endif()
endif()
if(BUILD_TESTING)
    quillbarrow_require_program(pulseaudio pulseaudio)
    quillbarrow_require_program(pactl pulseaudio-utils)
endif()

if(quillbarrow_missing)
    message(FATAL_ERROR "Missing what the build needs:${quillbarrow_missing}\n"
                        "scripts/install-deps.sh installs all of it.")
endif()
