# The export end to end through the real main window: Chinese names, the page server, the archive
# read back by Python's email package and shown by headless Chromium.
if(INKWELL_GUI)
    inkwell_add_test(chinesenames_export_test WINDOWS SOURCES chinesenames_export_test.cpp
        LIBS inkwell_mainwindow inkwell_server Qt6::Test)
    set_tests_properties(chinesenames_export_test PROPERTIES TIMEOUT 300)
endif()
