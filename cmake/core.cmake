# The core: every rule of the program, no OS or SDL header, with the word
# table generated from voice/words.tsv. One list for every system's build;
# KIND is the library type (OBJECT here, STATIC for the Windows build).
include(${CMAKE_CURRENT_LIST_DIR}/vocabulary.cmake)
function(veloran_core_library KIND)
  file(GLOB sources CONFIGURE_DEPENDS
    base/*.cpp app/*.cpp commands/*.cpp link/*.cpp radio/*.cpp speech/*.cpp memory/*.cpp panel/*.cpp)
  # The entry points (app/main*.cpp, one per system) make the system's parts.
  list(FILTER sources EXCLUDE REGEX "app/main[^/]*\\.cpp$")
  veloran_generate_vocabulary(${CMAKE_SOURCE_DIR}/voice/words.tsv
    ${CMAKE_BINARY_DIR}/generated/vocabulary_table.cpp)
  list(APPEND sources ${CMAKE_BINARY_DIR}/generated/vocabulary_table.cpp)
  add_library(veloran_core ${KIND} ${sources})
  target_include_directories(veloran_core PUBLIC ${CMAKE_SOURCE_DIR})
  # The fuzz targets compile the same sources again with their own flags.
  set(CORE_SOURCES ${sources} PARENT_SCOPE)
endfunction()
