# Writes the loader fuzzers' seed corpus (fuzz/corpus/load_*) from the same
# file builders as the loader tests:
#   build/loader_seed_corpus fuzz/corpus
# Built from test code (needs the test headers): only with the tests.
if(BUILD_TESTING)
  add_executable(loader_seed_corpus ${CMAKE_SOURCE_DIR}/fuzz/load_seed_corpus.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/support/loader_files.cpp)
  target_include_directories(loader_seed_corpus PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(loader_seed_corpus PRIVATE demo_core)
endif()
