# The generator of the default show: its code is a library (the tests link it
# too) and `make-show` is the program around it.
# The library's files are listed by name; make_show.cpp is the program's own.
set(SHOW_GENERATOR_SOURCES Backdrops DetMath Giraffe Image JpegWriter Mp3Writer Noise Scroller
    ShowGenerator ShowScript Song Synth Tesseract TextRenderer)
list(TRANSFORM SHOW_GENERATOR_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/tools/)
list(TRANSFORM SHOW_GENERATOR_SOURCES APPEND .cpp)
add_library(show_generator STATIC ${SHOW_GENERATOR_SOURCES})
target_include_directories(show_generator PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(show_generator PUBLIC PkgConfig::JPEG PkgConfig::FREETYPE ${MP3LAME_LIBRARY})

add_executable(make-show ${CMAKE_SOURCE_DIR}/tools/make_show.cpp)
target_link_libraries(make-show PRIVATE show_generator)
