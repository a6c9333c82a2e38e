# The program's message boxes: the message interface of core/ in its QMessageBox form.
if(INKWELL_GUI)
    add_library(inkwell_messageboxes STATIC qtmessageservice.h qtmessageservice.cpp)
    target_include_directories(inkwell_messageboxes PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_messageboxes PUBLIC inkwell_core Qt6::Widgets)
endif()
