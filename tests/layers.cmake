# The layer order of the show's folders (DEMO_LAYERS, lowest first): no folder
# includes a header of a folder above it or of one its library does not link,
# and no layer library needs a symbol that only a library above it defines.
list(JOIN DEMO_LAYERS " " layer_names)
# What each layer library links of the others, as "gfx:loaders,platform".
set(layer_links "")
foreach(layer IN LISTS DEMO_LAYERS)
  get_target_property(linked demo_${layer} LINK_LIBRARIES)
  list(FILTER linked INCLUDE REGEX "^demo_")
  list(TRANSFORM linked REPLACE "^demo_" "")
  list(JOIN linked "," linked)
  list(APPEND layer_links "${layer}:${linked}")
endforeach()
list(JOIN layer_links " " layer_links)
add_test(NAME layers.include_order COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/layers/include_order_test.sh)
set_tests_properties(layers.include_order PROPERTIES
                     ENVIRONMENT "SOURCE=${CMAKE_SOURCE_DIR};LAYERS=${layer_names};LINKS=${layer_links}")
set(layer_libraries "")
foreach(layer IN LISTS DEMO_LAYERS)
  list(APPEND layer_libraries $<TARGET_FILE:demo_${layer}>)
endforeach()
add_test(NAME layers.link_order
         COMMAND ${CMAKE_COMMAND} -E env NM=${CMAKE_NM}
                 ${CMAKE_CURRENT_SOURCE_DIR}/layers/link_order_test.sh ${layer_libraries})
