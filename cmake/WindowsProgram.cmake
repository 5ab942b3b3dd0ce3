# How a Windows program of this project is linked: self-contained (only the system's own DLLs),
# stripped, marked for Windows 7 SP1 and later, and the same bytes from every build of a commit.
function(tarnwick_windows_program target)
  # Windows 7 is 6.1: no newer API may be used, and the PE header says so.
  target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    target_link_options(${target} PRIVATE
      -static -s
      -Wl,--major-os-version,6,--minor-os-version,1
      -Wl,--major-subsystem-version,6,--minor-subsystem-version,1
      -Wl,--no-insert-timestamp)
  endif()
endfunction()

# No build path may reach the programs' bytes.
if(MINGW)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
endif()
