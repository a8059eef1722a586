# End-to-end tests of the live program: the real `demo` binary in an X server
# without a screen (with openbox as window manager), with SDL's dummy video
# driver, and with no display at all. Only in the release tree: the sanitizer
# build's start-up and frame times would stretch them past their time limits.
if(NOT DEMO_SANITIZE)
  set(e2e ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
  set(e2e_env "DEMO=$<TARGET_FILE:demo>;SDL_AUDIODRIVER=dummy")

  add_test(NAME display_e2e.window COMMAND ${e2e}/with_x.sh ${e2e}/window_test.sh)
  add_test(NAME display_e2e.windowed_start COMMAND ${e2e}/with_x.sh ${e2e}/windowed_start_test.sh)
  add_test(NAME display_e2e.minimise COMMAND ${e2e}/with_x.sh ${e2e}/minimise_test.sh)
  add_test(NAME display_e2e.live_exit COMMAND ${e2e}/with_x.sh ${e2e}/live_exit_test.sh)
  foreach(screen 1920x1080 1366x768)
    add_test(NAME display_e2e.fullscreen_${screen}
             COMMAND ${e2e}/with_x.sh --screen ${screen} ${e2e}/fullscreen_scale_test.sh)
    list(APPEND display_e2e_scaled display_e2e.fullscreen_${screen})
  endforeach()
  foreach(bits 15 16 24 8)
    add_test(NAME display_e2e.depth${bits} COMMAND ${e2e}/with_x.sh ${e2e}/depth_test.sh ${bits})
  endforeach()
  add_test(NAME display_e2e.dummy_loop COMMAND ${e2e}/dummy_loop_test.sh)
  foreach(hz 144 30)
    add_test(NAME display_e2e.step_rate_${hz}hz COMMAND ${e2e}/step_rate_test.sh ${hz})
    add_test(NAME studio_e2e.step_rate_${hz}hz COMMAND ${e2e}/step_rate_test.sh ${hz} studio)
    list(APPEND display_e2e_rates display_e2e.step_rate_${hz}hz studio_e2e.step_rate_${hz}hz)
  endforeach()
  add_test(NAME display_e2e.no_display COMMAND ${e2e}/no_display_test.sh)
  # Where there is no graphics device the program picks SDL's software
  # renderer; these keep the OpenGL renderer's window and scaling covered.
  add_test(NAME display_e2e.window_opengl COMMAND ${e2e}/with_x.sh ${e2e}/window_test.sh)
  add_test(NAME display_e2e.fullscreen_1920x1080_opengl
           COMMAND ${e2e}/with_x.sh --screen 1920x1080 ${e2e}/fullscreen_scale_test.sh)
  set_tests_properties(display_e2e.window_opengl display_e2e.fullscreen_1920x1080_opengl
                       PROPERTIES ENVIRONMENT "${e2e_env};SDL_RENDER_DRIVER=opengl" TIMEOUT 60
                       LABELS e2e)

  set_tests_properties(display_e2e.window display_e2e.windowed_start display_e2e.minimise
                       display_e2e.live_exit
                       ${display_e2e_scaled}
                       display_e2e.depth15 display_e2e.depth16
                       display_e2e.depth24 display_e2e.depth8 display_e2e.dummy_loop
                       ${display_e2e_rates}
                       display_e2e.no_display
                       PROPERTIES ENVIRONMENT "${e2e_env}" TIMEOUT 60 LABELS e2e)
endif()
# In the sanitizer tree: one short live run under X, checked for leaks.
if(DEMO_SANITIZE)
  add_test(NAME display_e2e.live_leaks
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/with_x.sh
                   ${CMAKE_CURRENT_SOURCE_DIR}/e2e/live_leak_test.sh)
  set_tests_properties(display_e2e.live_leaks PROPERTIES
                       ENVIRONMENT "DEMO=$<TARGET_FILE:demo>;SDL_AUDIODRIVER=dummy"
                       TIMEOUT 180 LABELS e2e)
endif()
