# Run by CPack with the staged files: packs them into one folder named after the package, in a
# zip whose bytes depend on the files' bytes alone. Every entry gets one fixed time (2000-01-01,
# within what a zip can store), no extra fields, and the entries stand in name order.
find_program(zip zip REQUIRED)
set(root "${CPACK_TEMPORARY_DIRECTORY}/../zip-root")
set(folder "${root}/${CPACK_PACKAGE_FILE_NAME}")
set(package "${CPACK_TEMPORARY_DIRECTORY}/../${CPACK_PACKAGE_FILE_NAME}.zip")
file(REMOVE_RECURSE "${root}" "${package}")
file(COPY "${CPACK_TEMPORARY_DIRECTORY}/" DESTINATION "${folder}")

file(GLOB_RECURSE files RELATIVE "${root}" LIST_DIRECTORIES false "${folder}/*")
list(SORT files)
foreach(path IN LISTS files ITEMS "${CPACK_PACKAGE_FILE_NAME}")
  execute_process(COMMAND touch -h -d "2000-01-01 00:00:00 UTC" "${root}/${path}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                        "${zip}" -X -D -q -9 "${package}" ${files}
                WORKING_DIRECTORY "${root}" COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(package "${package}" ABSOLUTE)
set(CPACK_EXTERNAL_BUILT_PACKAGES "${package}")
