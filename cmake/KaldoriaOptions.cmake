# Settings shared by every target of the project.
add_library(kaldoria_options INTERFACE)
target_compile_features(kaldoria_options INTERFACE cxx_std_20)
target_compile_options(kaldoria_options INTERFACE -Wall -Wextra)
target_compile_definitions(kaldoria_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS)
target_include_directories(kaldoria_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(KALDORIA_FUZZ)
    target_compile_options(kaldoria_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(kaldoria_options INTERFACE -fsanitize=address,undefined)
endif()

# kaldoria_add_test(NAME source... LIBS lib...): one GoogleTest executable registered with CTest.
function(kaldoria_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kaldoria_options ${ARG_LIBS} GTest::gtest GTest::gmock)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_LIST ${name}_TESTS)
    # The test environment is set by a script that runs after discovery: CMake 3.25 splits a
    # list-valued ENVIRONMENT given through gtest_discover_tests into separate properties.
    set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
    file(WRITE ${env_script}
        "if(${name}_TESTS)\n"
        "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT\n"
        "    \"QT_QPA_PLATFORM=offscreen;KALDORIA_SOURCE_DIR=${PROJECT_SOURCE_DIR};KALDORIA_BUILD_DIR=${CMAKE_BINARY_DIR}\")\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endfunction()
