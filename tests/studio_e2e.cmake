# End-to-end test of the studio: the real `demo --studio` in an X server
# without a screen, driven with xdotool. Release tree only, as the display's.
if(NOT DEMO_SANITIZE)
  add_test(NAME studio_e2e.keys_seek_overlay_reload
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/with_x.sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/studio_test.sh)
  set_tests_properties(studio_e2e.keys_seek_overlay_reload PROPERTIES
                       ENVIRONMENT "DEMO=$<TARGET_FILE:demo>;SDL_AUDIODRIVER=dummy" TIMEOUT 120
                       LABELS e2e)
endif()
