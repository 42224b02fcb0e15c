# quillbarrow_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [DISPLAY])
# One QtTest executable per test source. Tests without DISPLAY run on the offscreen platform;
# DISPLAY tests need the X server the test command starts (xvfb-run).
function(quillbarrow_add_test name)
    cmake_parse_arguments(T "DISPLAY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE quillbarrow_settings Qt6::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set(env "QT_QPA_PLATFORM=offscreen")
    if(T_DISPLAY)
        set(env "")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
        ENVIRONMENT "${env}")
endfunction()
