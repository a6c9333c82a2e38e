# Design view, code view and the formatting toolbar's commands.
# The fragments and the picture rules need no Qt and are tested on their own.
add_library(inkwell_editingcore STATIC fragments.h fragments.cpp pictureinsertion.h pictureinsertion.cpp
    textsearch.h textsearch.cpp pagehistory.h pagehistory.cpp newpicturefile.h newpicturefile.cpp pastedhtml.h pastedhtml.cpp
    objectattributes.h objectattributes.cpp)
target_include_directories(inkwell_editingcore PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(inkwell_editingcore PRIVATE inkwell_core)

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
        incomingpictures.h incomingpictures.cpp)
    target_include_directories(inkwell_editing PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(inkwell_editing
        PUBLIC inkwell_editingcore inkwell_browser inkwell_codeeditor inkwell_core Qt6::Widgets)
    # The view switches re-indent the page with the HTML formatter and carry code-view edits back.
    target_sources(inkwell_editing PRIVATE designviewswitch.h designviewswitch.cpp)
    target_link_libraries(inkwell_editing PRIVATE inkwell_formatter inkwell_codeedits)
    # Dropped and pasted files count as pictures by their bytes, as the archive judges them.
    target_link_libraries(inkwell_editing PRIVATE inkwell_archive)
endif()
