# The run command's build with the test-only packages hidden: proves that
# configuring and building the program needs none of them. Release tree only
# (it builds a whole extra tree); skipped where it cannot hide them (not root).
if(NOT DEMO_SANITIZE)
  add_test(NAME build_e2e.without_test_packages
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/bare_build_test.sh)
  set_tests_properties(build_e2e.without_test_packages PROPERTIES
                       ENVIRONMENT "SOURCE=${CMAKE_SOURCE_DIR};TREE=${CMAKE_BINARY_DIR}/bare-build"
                       SKIP_RETURN_CODE 77 TIMEOUT 1200 LABELS e2e)
endif()
