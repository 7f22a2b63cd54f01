# The hardening Debian builds its packages with (fortified functions, stack
# protector, read-only relocations, bind-now), taken from dpkg-buildflags so
# that the package gets what the distribution's own packages get.
find_program(TARVIK_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${TARVIK_DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE _tarvik_flags OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(_tarvik_flags UNIX_COMMAND "${_tarvik_flags}")
  if(kind STREQUAL "LDFLAGS")
    add_link_options(${_tarvik_flags})
  else()
    add_compile_options(${_tarvik_flags})
  endif()
endforeach()
unset(_tarvik_flags)
