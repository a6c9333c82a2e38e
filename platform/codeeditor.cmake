# The code-editor adapter: the component's message interface over QScintilla.
if(INKWELL_GUI)
    add_library(inkwell_codeeditor STATIC
        codeeditor.h scintillamessages.h scintillacodeeditor.h scintillacodeeditor.cpp)
    target_include_directories(inkwell_codeeditor PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_codeeditor PUBLIC Qt6::Widgets QScintilla::QScintilla)
endif()
