# zemor_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QTest executable, registered with CTest, run headless.
function(zemor_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE zemor_options Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZEMOR_TEST_BINARY_DIR=${CMAKE_CURRENT_BINARY_DIR}")
endfunction()
