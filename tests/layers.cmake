# The layer order of the show's folders (DEMO_LAYERS, lowest first): no folder
# includes a header of a folder above it, and no layer library needs a symbol
# that only a library above it defines.
list(JOIN DEMO_LAYERS " " layer_names)
add_test(NAME layers.include_order COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/layers/include_order_test.sh)
set_tests_properties(layers.include_order PROPERTIES
                     ENVIRONMENT "SOURCE=${CMAKE_SOURCE_DIR};LAYERS=${layer_names}")
set(layer_libraries "")
foreach(layer IN LISTS DEMO_LAYERS)
  list(APPEND layer_libraries $<TARGET_FILE:demo_${layer}>)
endforeach()
add_test(NAME layers.link_order
         COMMAND ${CMAKE_COMMAND} -E env NM=${CMAKE_NM}
                 ${CMAKE_CURRENT_SOURCE_DIR}/layers/link_order_test.sh ${layer_libraries})
