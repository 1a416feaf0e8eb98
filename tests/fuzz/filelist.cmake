# Fuzz target of the list text reader (src/filelist), for a fuzzing build
# (-DKALDORIA_FUZZ=ON, clang): include(${CMAKE_CURRENT_LIST_DIR}/filelist.cmake).
add_executable(list_text_fuzzer ${CMAKE_CURRENT_LIST_DIR}/ListTextFuzzer.cpp)
target_link_libraries(list_text_fuzzer PRIVATE kaldoria_options kaldoria_filelist)
target_link_options(list_text_fuzzer PRIVATE -fsanitize=fuzzer)
