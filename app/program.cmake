if(INKWELL_GUI)
    add_library(inkwell_mainwindow STATIC
        mainwindow.cpp creationsequence.cpp maincommands.cpp recoveryscheduler.cpp commandmap.cpp toolbaricons.cpp icons.qrc)
    target_include_directories(inkwell_mainwindow PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_mainwindow PUBLIC
        inkwell_app inkwell_instancelock inkwell_documents inkwell_editing inkwell_incomingpictures inkwell_wizard inkwell_server
        inkwell_export inkwell_capture_gui inkwell_messageboxes Qt6::Widgets)

    add_executable(inkwell main.cpp)
    target_link_libraries(inkwell PRIVATE inkwell_mainwindow)
    set_target_properties(inkwell PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
