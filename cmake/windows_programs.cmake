# The Windows programs: ravix-setup.exe, the desktop program on native Win32 windows,
# and the version information, icon and manifest of both .exe files.

# One resource script per program from the same template.
function(ravix_windows_resources target file description)
  set(RAVIX_RC_FILE ${file})
  set(RAVIX_RC_NAME ${target})
  set(RAVIX_RC_DESCRIPTION ${description})
  set(RAVIX_RC_ICON ${PROJECT_SOURCE_DIR}/data/ravix-setup.ico)
  set(RAVIX_RC_MANIFEST ${PROJECT_SOURCE_DIR}/data/windows-program.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/data/windows-program.rc.in ${CMAKE_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/${target}.rc)
endfunction()

enable_language(RC)
ravix_windows_resources(ravix-cli ravix-cli.exe "Ravix Setup from the command line")

file(GLOB win32gui_sources CONFIGURE_DEPENDS src/win32gui/*.cpp)
if(RAVIX_BUILD_GUI AND win32gui_sources)
  add_library(ravix-win32gui STATIC ${win32gui_sources})
  target_link_libraries(ravix-win32gui PUBLIC ravix user32 gdi32 comdlg32 comctl32 shell32)
  file(GLOB win32gui_main CONFIGURE_DEPENDS src/win32gui/main/*.cpp)
  add_executable(ravix-setup WIN32 ${win32gui_main})
  target_link_libraries(ravix-setup PRIVATE ravix-win32gui)
  ravix_windows_resources(ravix-setup ravix-setup.exe "Ravix Setup")
  install(TARGETS ravix-setup RUNTIME DESTINATION bin)
endif()
