# The generator's tests call its code directly.
target_link_libraries(unit_tests PRIVATE show_generator)
