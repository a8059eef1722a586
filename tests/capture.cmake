# The capture tests run the real `demo` binary.
add_dependencies(unit_tests demo)

# The whole default show captured end to end, and a capture stopped by
# Ctrl-C: release tree only, where the show renders and encodes many times
# faster than it plays (the sanitizer build would take minutes).
if(NOT DEMO_SANITIZE)
  add_test(NAME capture_e2e.default_show COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/capture_show_test.sh)
  set_tests_properties(capture_e2e.default_show PROPERTIES
                       ENVIRONMENT "DEMO=$<TARGET_FILE:demo>;MAKE_SHOW=$<TARGET_FILE:make-show>"
                       TIMEOUT 400 LABELS e2e)
endif()
