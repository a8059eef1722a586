# The generator of the default show: its code is a library (the tests link it
# too) and `make-show` is the program around it.
file(GLOB SHOW_GENERATOR_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
list(FILTER SHOW_GENERATOR_SOURCES EXCLUDE REGEX "/tools/make_show\\.cpp$")
add_library(show_generator STATIC ${SHOW_GENERATOR_SOURCES})
target_include_directories(show_generator PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(show_generator PUBLIC PkgConfig::JPEG PkgConfig::FREETYPE ${MP3LAME_LIBRARY})

add_executable(make-show ${CMAKE_SOURCE_DIR}/tools/make_show.cpp)
target_link_libraries(make-show PRIVATE show_generator)
