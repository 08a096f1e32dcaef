# What a Linux install carries beside the two programs, and the Debian package made of
# it (scripts/package-linux.sh builds it with cpack in a tree configured for /usr):
# the manual pages, the AppStream metadata, the desktop entry, the device rules and the
# package's own documents. Everything the package holds comes from `cmake --install`,
# so a file that gains an install rule anywhere in the project is in the next package.

set(RAVIX_APP_ID io.github.ravixsetup.RavixSetup)

# Where udev reads rules: /lib/udev/rules.d on Debian 12, outside the /usr prefix, so
# that the rules are no configuration files of the package. A prefix of one's own
# (a developer's /usr/local, a staging folder) keeps them under it.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(default_udev_dir /lib/udev/rules.d)
else()
  set(default_udev_dir lib/udev/rules.d)
endif()
set(RAVIX_UDEV_RULES_DIR ${default_udev_dir} CACHE STRING "Where the udev rules for the adapters are installed")
file(GLOB udev_rules CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/udev/*.rules)
if(udev_rules)
  install(FILES ${udev_rules} DESTINATION ${RAVIX_UDEV_RULES_DIR})
endif()
# The USB devices the rules open to the user, as AppStream names hardware: a software
# centre then knows that this program serves such a device.
set(RAVIX_MODALIASES "")
foreach(rules IN LISTS udev_rules)
  file(STRINGS ${rules} lines REGEX "idVendor")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#" OR NOT line MATCHES "idVendor}==\"([0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F])\"")
      continue()
    endif()
    string(TOUPPER ${CMAKE_MATCH_1} vendor)
    set(product "*")
    if(line MATCHES "idProduct}==\"([0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F])\"")
      string(TOUPPER ${CMAKE_MATCH_1} product)
    endif()
    string(APPEND RAVIX_MODALIASES "\n    <modalias>usb:v${vendor}p${product}d*</modalias>")
  endforeach()
endforeach()

# The date of this release, for the AppStream release list and the package's changelog.
set(RAVIX_RELEASE_DATE_RFC2822 "")
execute_process(COMMAND date -u -R -d "${RAVIX_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE RAVIX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE date_failed)
if(date_failed)
  message(FATAL_ERROR "RAVIX_RELEASE_DATE ${RAVIX_RELEASE_DATE} is no date (YYYY-MM-DD)")
endif()

# Text files that carry the version, filled in at configure time; gzip -n keeps the
# compressed files free of time stamps, so that the same sources give the same package.
set(generated ${CMAKE_BINARY_DIR}/generated)
function(ravix_compressed source output)
  configure_file(${source} ${generated}/${output} @ONLY)
  add_custom_command(OUTPUT ${generated}/${output}.gz
                     COMMAND gzip -9 -n -c ${generated}/${output} > ${generated}/${output}.gz
                     DEPENDS ${generated}/${output} ${source} VERBATIM)
endfunction()
ravix_compressed(${PROJECT_SOURCE_DIR}/docs/man/ravix-cli.1.in ravix-cli.1)
ravix_compressed(${PROJECT_SOURCE_DIR}/docs/man/ravix-setup.1.in ravix-setup.1)
ravix_compressed(${PROJECT_SOURCE_DIR}/data/debian/changelog.in changelog)
add_custom_target(ravix-install-docs ALL
                  DEPENDS ${generated}/ravix-cli.1.gz ${generated}/ravix-setup.1.gz ${generated}/changelog.gz)
install(FILES ${generated}/ravix-cli.1.gz DESTINATION share/man/man1)
install(FILES ${generated}/changelog.gz ${PROJECT_SOURCE_DIR}/data/debian/copyright
        DESTINATION share/doc/ravix-setup)

if(TARGET ravix-setup)
  # The desktop names the window after its entry: the id is the entry's file name.
  target_compile_definitions(ravix-setup PRIVATE RAVIX_APP_ID="${RAVIX_APP_ID}")
  install(FILES ${generated}/ravix-setup.1.gz DESTINATION share/man/man1)
  configure_file(${PROJECT_SOURCE_DIR}/data/${RAVIX_APP_ID}.metainfo.xml.in
                 ${generated}/${RAVIX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${generated}/${RAVIX_APP_ID}.metainfo.xml DESTINATION share/metainfo)
endif()

# The Debian package. The dependencies are those of the binaries, as dpkg-shlibdeps
# finds them: Qt's libraries carry its platform plugins and pull in fontconfig and a
# font, so nothing needs naming by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravix-setup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ravix Setup developers <maintainers@ravix-setup.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup tool for Ravix-Micro speed controllers of RC models")
set(CPACK_PACKAGE_DESCRIPTION
    "Ravix Setup reads and writes the settings of Ravix-Micro brushless-motor speed\n"
    "controllers and their two model memories, keeps them in settings files, and\n"
    "replaces the controller's firmware. It also calibrates the controller's\n"
    "oscillator, shows its chip identity, sets its locks, sets up RPM control and\n"
    "counts the motor's revolutions.\n"
    "\n"
    "The controller is reached through the small Ravix adapter cable on a serial\n"
    "port (also through USB-to-serial converters) or a parallel port. The package\n"
    "holds the desktop program ravix-setup (Qt 6) and the terminal program\n"
    "ravix-cli, which also runs scripts. Both can run on a simulated controller.\n"
    "\n"
    "Serial ports are open to the members of the group dialout, parallel ports to\n"
    "those of lp: see the manual pages.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The rules under /lib lie outside the prefix: install into a staging root instead.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_package_programs.cmake)
# Debian's modes whatever the builder's umask: folders 755, files as installed (644, programs 755).
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
