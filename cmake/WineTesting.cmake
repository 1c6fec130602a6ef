# The Windows tests run on this Debian machine under wine64: CMake puts the wrapper in front of
# every test program (and of GoogleTest's test discovery), and the wrapper keeps a Wine prefix in
# the build tree.
find_program(HORAVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT HORAVANE_WINE64)
  message(FATAL_ERROR "wine64 runs the Windows tests and is missing: run scripts/bootstrap.sh, "
                      "or configure with -DHORAVANE_BUILD_TESTS=OFF to build the programs alone")
endif()

find_program(HORAVANE_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine /usr/lib64/wine
             NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(HORAVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(HORAVANE_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${HORAVANE_WINE_RUN} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${HORAVANE_WINE_RUN})

# Programs that open windows run on a virtual display, in a Wine prefix of their own (see the
# script), beside the Linux simulator where they need clocks.
find_program(HORAVANE_XVFB_RUN xvfb-run NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(HORAVANE_LINUX_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/default CACHE PATH
    "Build tree of the default preset, whose horavane-sim the window tests talk to")
set(HORAVANE_LINUX_SIM ${HORAVANE_LINUX_BUILD_DIR}/sim/horavane-sim)
set(HORAVANE_WINE_WINDOW_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix-windows)
set(HORAVANE_WINE_WINDOW_RUN ${CMAKE_BINARY_DIR}/wine-window-run.sh)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-window-run.sh.in ${HORAVANE_WINE_WINDOW_RUN} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                WORLD_EXECUTE)
