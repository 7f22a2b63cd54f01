# The Windows install: one flat folder that runs on a Windows machine with
# nothing else installed, and the two packages made of it (cmake/windows_cpack.cmake).
#   tarvik-configurator.exe, tarvik-configurator-demo.exe, tarvikctl.exe
#   the Qt DLLs and the MinGW runtime they were built against
#   platforms/qwindows.dll, styles/qwindowsvistastyle.dll
#   translations/qtbase_ja.qm, translations/qtbase_zh_CN.qm
# Nothing else goes in: not the test and tool programs of the build, not
# QtTest or the minimal platform that only the tests load.

# The Qt DLLs of the Qt build keep their symbol tables, and the MinGW runtime
# DLL its debug information: 60 MB, of which 24 MB are what runs. The folder
# gets stripped copies, made once in the build tree.
set(TARVIK_DEPLOY_RUNTIME_DIR ${CMAKE_BINARY_DIR}/deploy-runtime)
set(TARVIK_DEPLOY_RUNTIME_FILES "")
# tarvik_stripped_copy(DLL SUBDIR): installs DLL stripped into SUBDIR of the
# folder ("" for its root, else with a trailing slash).
function(tarvik_stripped_copy dll subdir)
  get_filename_component(name ${dll} NAME)
  set(copy ${TARVIK_DEPLOY_RUNTIME_DIR}/${subdir}${name})
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVIK_DEPLOY_RUNTIME_DIR}/${subdir}
    COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${copy} ${dll}
    DEPENDS ${dll}
    COMMENT "Stripping ${subdir}${name} for the install"
    VERBATIM)
  set(TARVIK_DEPLOY_RUNTIME_FILES ${TARVIK_DEPLOY_RUNTIME_FILES} ${copy} PARENT_SCOPE)
  string(REGEX REPLACE "/$" "" destination "${subdir}")
  if(destination STREQUAL "")
    set(destination .)
  endif()
  install(PROGRAMS ${copy} DESTINATION ${destination})
endfunction()
foreach(dll IN LISTS TARVIK_QT_RUNTIME_DLLS)
  tarvik_stripped_copy(${dll} "")
endforeach()
tarvik_stripped_copy(${TARVIK_QT_PLATFORM_PLUGIN} platforms/)
tarvik_stripped_copy(${TARVIK_QT_STYLE_PLUGIN} styles/)
install(FILES ${TARVIK_QT_TRANSLATIONS} DESTINATION translations)
add_custom_target(tarvik_deploy_runtime ALL DEPENDS ${TARVIK_DEPLOY_RUNTIME_FILES})

# The .exe files only: the import library the linker writes beside each
# program is of no use, the programs export nothing.
install(TARGETS tarvik-configurator tarvik-configurator-demo tarvikctl RUNTIME DESTINATION .)

if(TARVIK_BUILD_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/packaging/windows ${CMAKE_BINARY_DIR}/packaging/windows)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/windows_cpack.cmake)
