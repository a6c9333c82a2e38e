if(INKWELL_GUI)
    inkwell_add_test(startup_process_test PROCESS SOURCES startup_process_test.cpp LIBS inkwell_core)
    add_dependencies(startup_process_test inkwell)
    set_tests_properties(startup_process_test PROPERTIES TIMEOUT 300)
    inkwell_add_test(recoveryscheduler_test GUI SOURCES recoveryscheduler_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    # An installed copy: a read-only program folder, started by an ordinary user.
    inkwell_add_test(installed_process_test PROCESS SOURCES installed_process_test.cpp LIBS inkwell_core)
    add_dependencies(installed_process_test inkwell)
    set_tests_properties(installed_process_test PROPERTIES TIMEOUT 300)
    inkwell_add_test(mainwindow_test WINDOWS SOURCES mainwindow_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    inkwell_add_test(codeviewtrip_test WINDOWS SOURCES codeviewtrip_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    inkwell_add_test(savedshape_test WINDOWS SOURCES savedshape_test.cpp LIBS inkwell_mainwindow inkwell_codeedits Qt6::Test)
    set_tests_properties(savedshape_test PROPERTIES TIMEOUT 600)
    # A session of everyday edits in the window and the markup Save writes of it.
    inkwell_add_test(editedmarkup_test WINDOWS SOURCES editedmarkup_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    set_tests_properties(editedmarkup_test PROPERTIES TIMEOUT 300)
    # Tables, headings, the page title and the toolbar's state, through the real window.
    inkwell_add_test(insertededits_test WINDOWS SOURCES insertededits_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    set_tests_properties(insertededits_test PROPERTIES TIMEOUT 300)
    inkwell_add_test(commands_test WINDOWS SOURCES commands_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    # Back to earlier work: projects reopened from the wizard's history, the caption, Open of a picture.
    inkwell_add_test(reopen_test WINDOWS SOURCES reopen_test.cpp LIBS inkwell_mainwindow Qt6::Test)
    set_tests_properties(commands_test PROPERTIES TIMEOUT 600)
    # A user's whole journey through the real program under Xvfb, with xdotool, xclip and the browser.
    inkwell_add_test(journey_process_test PROCESS SOURCES journey_process_test.cpp ../support/closewindow.cpp
        LIBS inkwell_core Qt6::Gui X11)
    add_dependencies(journey_process_test inkwell)
    set_tests_properties(journey_process_test PROPERTIES TIMEOUT 300)
    # Ctrl+V pressed on the real display into the real program, the clipboard held by another program.
    inkwell_add_test(pastekeys_process_test PROCESS SOURCES pastekeys_process_test.cpp LIBS inkwell_core Qt6::Gui)
    add_dependencies(pastekeys_process_test inkwell)
    set_tests_properties(pastekeys_process_test PROPERTIES TIMEOUT 300)
    # Chinese typed through a real input method (pinyin on a private session bus) into the real program.
    inkwell_add_test(inputmethod_process_test PROCESS SOURCES inputmethod_process_test.cpp
        ../support/closewindow.cpp LIBS inkwell_core Qt6::Core X11)
    add_dependencies(inputmethod_process_test inkwell)
    set_tests_properties(inputmethod_process_test PROPERTIES TIMEOUT 300)
endif()
if(INKWELL_GUI)
    # Links and pictures edited again, and the design view's own menu, in the real window.
    inkwell_add_test(insertedobjects_test WINDOWS SOURCES insertedobjects_test.cpp LIBS inkwell_mainwindow Qt6::Test)
endif()
