# The data context with its file, relation and error managers.
zemor_add_test(test_managers SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_managers.cpp LIBS zemor_data)
