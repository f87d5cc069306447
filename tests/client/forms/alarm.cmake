# Tests of the alarm window and the alarm sent window.
telvor_add_test(NAME tst_Alarmanzeige SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Alarmanzeige.cpp
    LIBS telvor_client_forms telvor_test_time)
telvor_add_test(NAME tst_alarmgesendet SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_alarmgesendet.cpp
    LIBS telvor_client_forms)
# Real windows under a window manager: run inside a desktop session (DISPLAY set), skipped without one.
telvor_add_test(NAME tst_Alarmanzeige_gui SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui/tst_Alarmanzeige_gui.cpp
    LIBS telvor_client_forms telvor_platform_x11 telvor_test_time LABELS gui ENVIRONMENT QT_QPA_PLATFORM=xcb)
telvor_add_test(NAME tst_layouts_gui SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui/tst_layouts_gui.cpp
    LIBS telvor_client_forms telvor_test_time LABELS gui ENVIRONMENT QT_QPA_PLATFORM=xcb)
