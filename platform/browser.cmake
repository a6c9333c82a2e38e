# The browser-engine adapter: synchronous editing operations over Qt WebEngine.
if(INKWELL_GUI)
    add_library(inkwell_browser STATIC browserengine.h webenginebrowser.h webenginebrowser.cpp)
    target_include_directories(inkwell_browser PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_browser PUBLIC Qt6::Core Qt6::Gui Qt6::WebEngineWidgets)
endif()
