# What the Windows cross build needs beyond the Linux one: zlib from MinGW-w64's static library,
# GoogleTest compiled from Debian's sources with the cross compiler, and the header-only stb from
# the host (the only host header the core may see, through a folder that holds nothing else).
if(NOT CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "The Windows build is made with cmake/mingw-w64-x86_64.cmake")
endif()

find_package(ZLIB REQUIRED)

# ctest starts the test executables through wine, their output kept off ctest's pipe.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/cmake/wine_run.sh)

set(BRINE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS ${BRINE_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${BRINE_GTEST_SOURCE_DIR} (apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${BRINE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own sources are not ours to keep warning-free.
foreach(t gtest gtest_main gmock gmock_main)
  target_compile_options(${t} PRIVATE -w)
endforeach()

set(BRINE_STB_DIR /usr/include/stb CACHE PATH "stb headers (Debian package libstb-dev)")
set(STB_INCLUDE_DIR ${CMAKE_BINARY_DIR}/host_headers CACHE PATH "" FORCE)
file(MAKE_DIRECTORY ${STB_INCLUDE_DIR})
file(CREATE_LINK ${BRINE_STB_DIR} ${STB_INCLUDE_DIR}/stb SYMBOLIC)

# The content the program directory ships, made by a Linux build's fishgen (it runs at build time).
set(BRINE_CONTENT_DIR "" CACHE PATH "program folder of a Linux build whose packs, wallpaper and extension file are copied")
