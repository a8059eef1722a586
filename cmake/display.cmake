# Until the scenes are part of the tree, display/TestPattern.cpp supplies a
# canvas, loadAssets and sceneDirector that show the test pattern, so the
# program links and runs. As soon as demo/ has sources they are left out.
file(GLOB DEMO_SCENE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/*.cpp)
if(NOT DEMO_SCENE_SOURCES)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/display/TestPattern.cpp
                              PROPERTIES COMPILE_DEFINITIONS DEMO_SCENE_FALLBACK=1)
endif()
