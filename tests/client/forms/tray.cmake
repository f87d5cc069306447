# The tray form and the info window: offscreen, and on a real desktop with a notification area.
telvor_add_test(NAME tst_mnbar SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_mnbar.cpp LIBS telvor_client_forms telvor_test_time)
telvor_add_test(NAME tst_mnbar_gui SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui/tst_mnbar_gui.cpp
    LIBS telvor_client_forms telvor_test_time LABELS gui ENVIRONMENT QT_QPA_PLATFORM=xcb)
