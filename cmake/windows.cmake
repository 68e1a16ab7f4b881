# The Windows build: cross-compiled with mingw-w64 (see the toolchain files
# beside this one), its libraries built from source into the build folder.

# Executables that run on a plain Windows machine: the C++ runtime, the GCC
# support library and the POSIX thread library are linked in, so no DLL of the
# toolchain has to travel with them.
add_link_options(-static -static-libgcc -static-libstdc++)
# Windows 7's interface and later (WSAPoll and the socket flags need it);
# M_PI and its kin, which the C library declares only when asked.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX _USE_MATH_DEFINES)

include(FetchContent)

# pugixml from Debian's source package, unpacked by `./dev.sh windows` into
# the build folder; find_package(pugixml) then finds this build of it.
set(CORVESSA_PUGIXML_SOURCE_DIR "${CMAKE_BINARY_DIR}/pugixml-source" CACHE PATH
    "The unpacked pugixml source package to build for Windows")
if(NOT EXISTS ${CORVESSA_PUGIXML_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No pugixml source in ${CORVESSA_PUGIXML_SOURCE_DIR}: "
                      "./dev.sh windows unpacks Debian's source package there")
endif()
set(PUGIXML_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
FetchContent_Declare(pugixml SOURCE_DIR ${CORVESSA_PUGIXML_SOURCE_DIR} OVERRIDE_FIND_PACKAGE)
FetchContent_MakeAvailable(pugixml)
if(NOT TARGET pugixml::pugixml)
  add_library(pugixml::pugixml ALIAS pugixml-static)
endif()

# GoogleTest from the sources Debian's googletest package installs.
if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
  set(CORVESSA_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
      "GoogleTest sources to build for Windows")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  FetchContent_Declare(GTest SOURCE_DIR ${CORVESSA_GOOGLETEST_SOURCE_DIR} OVERRIDE_FIND_PACKAGE)
  FetchContent_MakeAvailable(GTest)
endif()

# The test suites run as Windows programs under Wine, in a Wine prefix of
# this build's own (its first start sets it up, which takes a while).
set(CORVESSA_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Runs 64-bit Windows programs")
set(CORVESSA_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix" CACHE PATH "The tests' Wine prefix")
if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_SIZEOF_VOID_P EQUAL 8
   AND EXISTS ${CORVESSA_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CORVESSA_WINE_PREFIX} WINEDEBUG=-all ${CORVESSA_WINE_LOADER})
endif()
