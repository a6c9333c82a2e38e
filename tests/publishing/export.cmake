# The MHT export command against a real page server, with the dialog and message boxes observed.
if(INKWELL_GUI)
    inkwell_add_test(mhtexport_test GUI
        SOURCES mhtexport_test.cpp
        LIBS inkwell_export inkwell_server Qt6::Widgets)
endif()
