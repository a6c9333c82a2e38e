# The program's message boxes: the interface the commands are given (Qt-free) and its QMessageBox form.
add_library(inkwell_messageservice INTERFACE)
target_include_directories(inkwell_messageservice INTERFACE ${PROJECT_SOURCE_DIR})
if(INKWELL_GUI)
    add_library(inkwell_messageboxes STATIC messageservice.h qtmessageservice.h qtmessageservice.cpp)
    target_include_directories(inkwell_messageboxes PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_messageboxes PUBLIC inkwell_messageservice Qt6::Widgets)
endif()
