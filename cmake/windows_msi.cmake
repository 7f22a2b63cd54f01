# `cmake --build build/windows --target msi`: the Windows Installer package
# build/windows/tarvik-configurator-<version>-win64.msi of the stripped
# install folder, and its winget manifest in build/windows/winget
# (packaging/windows/make_msi.sh, with wixl and msibuild of Debian's
# wixl and msitools).

set(TARVIK_MSI_STAGE ${CMAKE_BINARY_DIR}/msi-stage)
set(TARVIK_MSI ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.msi)
set(TARVIK_WINGET_MANIFEST_DIR ${CMAKE_BINARY_DIR}/winget)
add_custom_target(msi
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVIK_MSI_STAGE}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${TARVIK_MSI_STAGE} --strip
  COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/windows/make_msi.sh
          ${TARVIK_MSI_STAGE} ${PROJECT_VERSION} ${TARVIK_MSI} ${TARVIK_WINGET_MANIFEST_DIR}
  COMMENT "Packing ${CPACK_PACKAGE_FILE_NAME}.msi and its winget manifest"
  VERBATIM)
add_dependencies(msi tarvik-configurator tarvik-configurator-demo tarvikctl tarvik_deploy_runtime)
