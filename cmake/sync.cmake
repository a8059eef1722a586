# sync_clock_probe: measures the soundtrack clock against the audio device and
# the start-up cost of the sync script and the soundtrack (docs/performance.md).
# Built from test code (needs the test headers): only with the tests.
if(BUILD_TESTING)
  add_executable(sync_clock_probe ${CMAKE_SOURCE_DIR}/bench/probes/sync_clock_probe.cpp)
  target_link_libraries(sync_clock_probe PRIVATE demo_core ${MP3LAME_LIBRARY})
  target_include_directories(sync_clock_probe PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
