# The file commands: New, Open, Save and the save question (Qt Widgets) over the document library.
if(INKWELL_GUI)
    add_library(inkwell_documents STATIC documentcommands.cpp bringpagefiles.cpp)
    target_link_libraries(inkwell_documents PUBLIC inkwell_document inkwell_app Qt6::Widgets PRIVATE inkwell_openedpage)
endif()
