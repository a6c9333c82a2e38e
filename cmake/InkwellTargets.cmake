# Helpers shared by every folder's lists.

# inkwell_add_test(NAME [GUI | WINDOWS | PROCESS] SOURCES a.cpp ... LIBS lib ... [ENV VAR=value ...])
# A GoogleTest program registered with CTest under the label of what it needs to run:
#   headless (the default) needs no display: `ctest -L headless` runs without one;
#   gui      GUI: runs inside the shared GUI test main, one QApplication around the whole run;
#            WINDOWS: the same for programs that build the real main window, which first get a
#            temporary folder and a lock folder of their own (tests/support/windowenvironment.h);
#   process  PROCESS: starts the real program and drives it through the display.
# The last three exist only with INKWELL_GUI, so their lists add them inside if(INKWELL_GUI);
# scripts/test runs CTest under xvfb-run for them.
function(inkwell_add_test name)
    cmake_parse_arguments(T "GUI;WINDOWS;PROCESS" "" "SOURCES;LIBS;ENV" ${ARGN})
    if((T_GUI OR T_WINDOWS OR T_PROCESS) AND NOT INKWELL_GUI)
        message(FATAL_ERROR "${name} needs a display and is only built with INKWELL_GUI")
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
    if(T_WINDOWS)
        target_link_libraries(${name} PRIVATE inkwell_windowtestmain)
        set(label gui)
    elseif(T_GUI)
        target_link_libraries(${name} PRIVATE inkwell_guitestmain)
        set(label gui)
    elseif(T_PROCESS)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
        set(label process)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
        set(label headless)
    endif()
    target_compile_definitions(${name} PRIVATE
        INKWELL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        INKWELL_BINARY_DIR="${PROJECT_BINARY_DIR}"
        INKWELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${label})
    if(T_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
    endif()
endfunction()

# inkwell_add_fuzzer(NAME SOURCES a.cpp ... LIBS lib ... [CORPUS dir])
# A libFuzzer target, built only with INKWELL_FUZZ (clang), which compiles every library with the
# coverage instrumentation and the sanitizers (the top-level list). CTest runs it under the label
# fuzz for INKWELL_FUZZ_SECONDS seconds over its corpus folder.
function(inkwell_add_fuzzer name)
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(NOT INKWELL_FUZZ)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name}
        COMMAND ${name} -max_total_time=${INKWELL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${work} ${F_CORPUS})
    set_tests_properties(${name} PROPERTIES LABELS fuzz)
endfunction()
