# The Windows release: one zip with both programs, a README for Windows users, the license and
# the example plan, made by `cpack` (the windows-release workflow; it needs Info-ZIP) and listed
# in SHA256SUMS.
configure_file(${PROJECT_SOURCE_DIR}/app/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
               @ONLY NEWLINE_STYLE WIN32)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt
               NEWLINE_STYLE WIN32)
install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
              ${PROJECT_SOURCE_DIR}/examples/EDDF-EDDM.pln
        DESTINATION .)

# CPack stages the files and hands them to PackZip.cmake, which makes a zip that depends on
# nothing but the files' bytes (Info-ZIP: no time or owner beyond one fixed time).
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/PackZip.cmake)
set(CPACK_PACKAGE_NAME Tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick project")
set(CPACK_PACKAGE_FILE_NAME "Tarnwick-${PROJECT_VERSION}-win32")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/WriteChecksums.cmake)
include(CPack)
