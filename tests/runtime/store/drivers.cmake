# Tests of the text-line file and the dBase reader.
zemor_add_test(test_textlinefile SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_textlinefile.cpp
    LIBS zemor_runtime_store)
zemor_add_test(test_dbase SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_dbase.cpp
    LIBS zemor_runtime_store)
