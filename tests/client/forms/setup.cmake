# The setup window: its controls, what it shows and what it reports back.
telvor_add_test(NAME tst_telvor SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_telvor.cpp LIBS telvor_client_forms)
telvor_add_test(NAME tst_mountpoints SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mountpoints.cpp LIBS telvor_client_forms)
telvor_add_test(NAME tst_directorylister SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_directorylister.cpp
    LIBS telvor_client_forms)
add_dependencies(tst_telvor signal)
