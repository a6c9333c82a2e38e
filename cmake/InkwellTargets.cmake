# Helpers shared by every folder's lists.

# inkwell_add_test(NAME SOURCES a.cpp ... LIBS lib ... [GUI])
# A GoogleTest program registered with CTest. GUI tests are only built with INKWELL_GUI
# and need a display (scripts/test runs CTest under xvfb-run).
function(inkwell_add_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;ENV" ${ARGN})
    if(T_GUI AND NOT INKWELL_GUI)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        INKWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        INKWELL_BINARY_DIR="${PROJECT_BINARY_DIR}"
        INKWELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    add_test(NAME ${name} COMMAND ${name})
    if(T_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
    endif()
endfunction()

# inkwell_add_fuzzer(NAME SOURCES a.cpp ... LIBS lib ... [CORPUS dir])
# A libFuzzer target, built only with INKWELL_FUZZ (clang). CTest runs it for
# INKWELL_FUZZ_SECONDS seconds over its corpus folder.
function(inkwell_add_fuzzer name)
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(NOT INKWELL_FUZZ)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    file(MAKE_DIRECTORY ${work})
    set(seed "")
    if(F_CORPUS)
        set(seed ${F_CORPUS})
    endif()
    add_test(NAME ${name}
        COMMAND ${name} -max_total_time=${INKWELL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${work} ${seed})
endfunction()
