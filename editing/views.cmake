# Design view, code view and the formatting toolbar's commands.
# What the views do without a widget (the toolbar's fragments, the code view's text search, the design
# view's page history, the attributes of links and pictures) needs no Qt and is tested on its own.
add_library(inkwell_editinglogic STATIC fragments.h fragments.cpp textsearch.h textsearch.cpp
    pagehistory.h pagehistory.cpp
    objectattributes.h objectattributes.cpp)
target_include_directories(inkwell_editinglogic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_editinglogic PRIVATE inkwell_core)

# The local files an opened page names, planned and copied into the document folder. Qt-free; it reads
# the page with the archive's resource scanners and judges pictures by their bytes as the archive does.
add_library(inkwell_openedpage STATIC openedpagefiles.h openedpagefiles.cpp)
target_include_directories(inkwell_openedpage PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_openedpage PUBLIC inkwell_core PRIVATE inkwell_archive)

if(INKWELL_GUI)
    add_library(inkwell_editing STATIC
        designview.h designview.cpp pagetext.h editingscript.h editingscript.cpp objectscript.h objectscript.cpp
        designmenu.h designmenu.cpp insertedobjects.h insertedobjects.cpp linkdialog.h linkdialog.cpp
        picturedialog.h picturedialog.cpp
        codeview.h codeview.cpp
        codefindbar.h codefindbar.cpp
        formattingcommands.h formattingcommands.cpp
        caretformat.h caretformat.cpp menutarget.h
        tablecommands.h tablecommands.cpp tablepropertiesdialog.h tablepropertiesdialog.cpp
        blockformat.h blockformat.cpp
        pageproperties.h pageproperties.cpp pagepropertiesdialog.h pagepropertiesdialog.cpp)
    target_include_directories(inkwell_editing PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_editing
        PUBLIC inkwell_editinglogic inkwell_browser inkwell_codeeditor inkwell_core Qt6::Widgets)
    # The view switches re-indent the page with the HTML formatter and carry code-view edits back.
    target_sources(inkwell_editing PRIVATE designviewswitch.h designviewswitch.cpp)
    target_link_libraries(inkwell_editing PRIVATE inkwell_formatter inkwell_codeedits)
    # The picture button and the design view's pictures take their reference from the picture rules.
    target_link_libraries(inkwell_editing PRIVATE inkwell_incoming)
endif()
