# The button test window: its controls, the start phase in virtual time, presses, "OK !" and "Abrechen".
telvor_add_test(NAME tst_telvorttest SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_telvorttest.cpp
    LIBS telvor_client_forms telvor_test_time)
