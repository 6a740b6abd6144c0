# The Windows build (cross-built with cmake/mingw-w64.cmake): the same core,
# the Win32 platform layer, the emulated radio's model for the demo, and the tests
# under wine. scripts/build-windows.sh adds the installer and the zip.
include(cmake/core.cmake)
veloran_core_library(STATIC)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
list(FILTER WIN32_SOURCES EXCLUDE REGEX "platform/win32/main\\.cpp$")
add_library(veloran_win32 STATIC ${WIN32_SOURCES})
target_include_directories(veloran_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(veloran_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(veloran_win32 PUBLIC winmm gdi32 user32 ole32 oleaut32 ws2_32 advapi32)

add_library(veloran_model STATIC emulator/radio_model.cpp)
target_include_directories(veloran_model PUBLIC ${CMAKE_SOURCE_DIR})

# A window program: no console of its own pops up from the Start menu.
add_executable(veloran WIN32 platform/win32/main.cpp)
target_link_libraries(veloran PRIVATE veloran_core veloran_win32 veloran_model)

if(VELORAN_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()
