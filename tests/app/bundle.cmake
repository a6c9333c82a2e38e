if(INKWELL_GUI)
    # What start-up gives every window of the real program: Qt's texts in Chinese, the icon, --version.
    inkwell_add_test(chinesetexts_process_test PROCESS SOURCES chinesetexts_process_test.cpp LIBS inkwell_core)
    add_dependencies(chinesetexts_process_test inkwell inkwell-format inkwell-mht)
    target_compile_definitions(chinesetexts_process_test PRIVATE INKWELL_VERSION="${PROJECT_VERSION}")
    set_tests_properties(chinesetexts_process_test PROPERTIES TIMEOUT 300)

    # scripts/package from this build, unpacked and started; the menu entry written and removed.
    inkwell_add_test(bundle_process_test PROCESS SOURCES bundle_process_test.cpp LIBS inkwell_core)
    add_dependencies(bundle_process_test inkwell inkwell-format inkwell-mht)
    target_compile_definitions(bundle_process_test PRIVATE INKWELL_VERSION="${PROJECT_VERSION}")
    set_tests_properties(bundle_process_test PROPERTIES TIMEOUT 300)

    # The Debian package from this build: its files, lintian and the other checks, an install apt
    # simulates, and the program unpacked read-only and started by an ordinary user.
    inkwell_add_test(debpackage_process_test PROCESS SOURCES debpackage_process_test.cpp LIBS inkwell_core)
    add_dependencies(debpackage_process_test inkwell inkwell-format inkwell-mht)
    target_compile_definitions(debpackage_process_test PRIVATE INKWELL_VERSION="${PROJECT_VERSION}")
    set_tests_properties(debpackage_process_test PROPERTIES TIMEOUT 300)
endif()
