# The generator's tests call its code directly.
target_link_libraries(unit_tests PRIVATE show_generator)
# One test runs the make-show program itself.
add_dependencies(unit_tests make-show)
