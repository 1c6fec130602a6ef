# The libraries of the Windows build, gathered in a prefix of the build tree (windows-deps/) that
# find_package searches instead of the host's /usr:
# - CLI11 and nlohmann-json are header-only: Debian's headers serve both systems. The prefix's
#   include/ holds links to their two folders only, so that no other host header (glibc's above
#   all) can reach a Windows compile.
# - GoogleTest is compiled for Windows from Debian's source package, once per build tree.
set(HORAVANE_DEPS_PREFIX ${CMAKE_BINARY_DIR}/windows-deps)
set(HORAVANE_HOST_INCLUDE /usr/include CACHE PATH "Where Debian's CLI11 and nlohmann-json headers are")
set(HORAVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "Debian's GoogleTest sources")

# A header-only package: a link to its header folder and a config that points at the prefix.
# The version file is Debian's own, so that version requests mean what they do on Linux.
function(horavane_stage_header_package package target folder)
  if(NOT EXISTS ${HORAVANE_HOST_INCLUDE}/${folder})
    message(FATAL_ERROR "${HORAVANE_HOST_INCLUDE}/${folder} is missing: run scripts/bootstrap.sh")
  endif()
  file(MAKE_DIRECTORY ${HORAVANE_DEPS_PREFIX}/include ${HORAVANE_DEPS_PREFIX}/lib/cmake/${package})
  file(CREATE_LINK ${HORAVANE_HOST_INCLUDE}/${folder} ${HORAVANE_DEPS_PREFIX}/include/${folder} SYMBOLIC)
  file(GLOB version_file /usr/share/cmake/${package}/${package}ConfigVersion.cmake
                         /usr/lib/cmake/${package}/${package}ConfigVersion.cmake)
  if(version_file)
    list(GET version_file 0 version_file)
    configure_file(${version_file} ${HORAVANE_DEPS_PREFIX}/lib/cmake/${package}/${package}ConfigVersion.cmake
                   COPYONLY)
  endif()
  file(WRITE ${HORAVANE_DEPS_PREFIX}/lib/cmake/${package}/${package}Config.cmake
"if(NOT TARGET ${target})
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES \"${HORAVANE_DEPS_PREFIX}/include\")
endif()
")
  set(${package}_DIR ${HORAVANE_DEPS_PREFIX}/lib/cmake/${package} CACHE PATH "" FORCE)
endfunction()

horavane_stage_header_package(CLI11 CLI11::CLI11 CLI)
horavane_stage_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann)

# GoogleTest with this build's own toolchain, installed into the prefix. Built at configure time
# because find_package needs its config; the stamp keeps later configure runs from redoing it.
if(HORAVANE_BUILD_TESTS AND NOT EXISTS ${HORAVANE_DEPS_PREFIX}/lib/cmake/GTest/GTestConfig.cmake)
  if(NOT EXISTS ${HORAVANE_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "${HORAVANE_GOOGLETEST_SOURCE} is missing: run scripts/bootstrap.sh")
  endif()
  message(STATUS "Building GoogleTest for Windows from ${HORAVANE_GOOGLETEST_SOURCE}")
  set(gtest_build ${HORAVANE_DEPS_PREFIX}/build/googletest)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${HORAVANE_GOOGLETEST_SOURCE} -B ${gtest_build} -G ${CMAKE_GENERATOR}
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_INSTALL_PREFIX=${HORAVANE_DEPS_PREFIX} -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
    OUTPUT_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${gtest_build} --target install -j 2
                    OUTPUT_QUIET RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "GoogleTest for Windows did not build (see ${gtest_build})")
  endif()
endif()
set(GTest_DIR ${HORAVANE_DEPS_PREFIX}/lib/cmake/GTest CACHE PATH "" FORCE)
