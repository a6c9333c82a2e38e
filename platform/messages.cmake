# The program's message boxes: the interface the commands are given and the texts they show (Qt-free),
# and its QMessageBox form.
add_library(inkwell_messageservice STATIC messageservice.h messagetexts.cpp errorsentence.cpp)
target_include_directories(inkwell_messageservice PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_messageservice PUBLIC inkwell_kit)
if(INKWELL_GUI)
    add_library(inkwell_messageboxes STATIC messageservice.h qtmessageservice.h qtmessageservice.cpp)
    target_include_directories(inkwell_messageboxes PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_messageboxes PUBLIC inkwell_messageservice Qt6::Widgets)
endif()
