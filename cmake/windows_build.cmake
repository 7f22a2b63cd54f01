# What the Windows cross build takes from the Debian host: GoogleTest built
# from Debian's own source, and the header-only CLI11 and nlohmann-json.

# Every program of the Windows build goes to one folder, <build>/bin, where
# the DLLs they load are put beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Only the two libraries' directories, not the host's whole /usr/include,
# which would put Linux headers in front of MinGW's.
set(TARVIK_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${TARVIK_HOST_HEADERS})
foreach(dir CLI nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/setup.sh")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${TARVIK_HOST_HEADERS}/${dir} SYMBOLIC)
endforeach()
add_library(tarvik_host_cli11 INTERFACE)
target_include_directories(tarvik_host_cli11 SYSTEM INTERFACE ${TARVIK_HOST_HEADERS})
add_library(CLI11::CLI11 ALIAS tarvik_host_cli11)
add_library(nlohmann_json::nlohmann_json ALIAS tarvik_host_cli11)

if(TARVIK_BUILD_TESTS)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "/usr/src/googletest is missing: run scripts/setup.sh")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()
