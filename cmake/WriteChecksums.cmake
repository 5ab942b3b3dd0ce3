# Run by CPack after it packed (the zip is still in CPack's own folder then): SHA256SUMS beside
# the zip in the package folder, in the form `sha256sum -c` reads.
set(sums "")
list(FILTER CPACK_PACKAGE_FILES INCLUDE REGEX "\\.zip$")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${package}" hash)
  get_filename_component(name "${package}" NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
