# The desktop's screenshot portal (xdg-desktop-portal over D-Bus), for captures under Wayland.
if(INKWELL_GUI)
    find_package(Qt6 REQUIRED COMPONENTS DBus)
    add_library(inkwell_screenshotportal STATIC screenshotportal.h screenshotportal.cpp)
    target_include_directories(inkwell_screenshotportal PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_screenshotportal PUBLIC inkwell_core Qt6::Gui PRIVATE Qt6::DBus)
endif()
