# What `cmake --install` puts where, and the packages CPack makes of it: a Debian package on Linux
# (`cpack -G DEB`), a zip of the static executable with its documents for Windows (`cpack -G ZIP`).
# scripts/package drives both from clean build folders.

set(BRINDLE_PACKAGE_NAME brindlewhistler)
set(BRINDLE_MAINTAINER "Brindlewhistler authors <brindlewhistler@users.noreply.invalid>")
set(BRINDLE_SUMMARY "list game appearances as an NWScript constants script")
set(BRINDLE_DOC_DIR share/doc/${BRINDLE_PACKAGE_NAME})
set(BRINDLE_GENERATED_DOC ${CMAKE_BINARY_DIR}/doc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE)

# The example configuration, with folders where the game usually sits on each system.
function(brindle_example_config output install home)
  set(BRINDLE_EXAMPLE_INSTALL "${install}")
  set(BRINDLE_EXAMPLE_HOME "${home}")
  configure_file(${CMAKE_SOURCE_DIR}/doc/Brindlewhistler.ini.in ${output} @ONLY ${ARGN})
endfunction()

# A text file for Windows users: the same text with CR LF line ends.
function(brindle_windows_text source output)
  file(READ ${source} text)
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${output} "${text}")
endfunction()

if(WIN32)
  # The zip unpacks into one folder holding everything a user needs.
  install(TARGETS brindlewhistler RUNTIME DESTINATION .)
  brindle_windows_text(${CMAKE_SOURCE_DIR}/README.md ${BRINDLE_GENERATED_DOC}/README.txt)
  brindle_windows_text(${CMAKE_SOURCE_DIR}/LICENSE ${BRINDLE_GENERATED_DOC}/LICENSE.txt)
  brindle_example_config(${BRINDLE_GENERATED_DOC}/Brindlewhistler.ini
    "C:\\GOG Games\\NWN2 Complete" "C:\\Users\\me\\Documents\\Neverwinter Nights 2" NEWLINE_STYLE CRLF)
  install(FILES ${BRINDLE_GENERATED_DOC}/README.txt ${BRINDLE_GENERATED_DOC}/LICENSE.txt
    ${BRINDLE_GENERATED_DOC}/Brindlewhistler.ini DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${BRINDLE_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x64)
else()
  install(TARGETS brindlewhistler RUNTIME DESTINATION bin)

  # The manual page carries the version; it is installed compressed, as manual pages are.
  configure_file(${CMAKE_SOURCE_DIR}/doc/brindlewhistler.1.in ${BRINDLE_GENERATED_DOC}/brindlewhistler.1 @ONLY)
  find_program(BRINDLE_GZIP gzip REQUIRED)
  add_custom_command(OUTPUT ${BRINDLE_GENERATED_DOC}/brindlewhistler.1.gz
    COMMAND ${BRINDLE_GZIP} -9 -n -c ${BRINDLE_GENERATED_DOC}/brindlewhistler.1 > ${BRINDLE_GENERATED_DOC}/brindlewhistler.1.gz
    DEPENDS ${BRINDLE_GENERATED_DOC}/brindlewhistler.1 VERBATIM)

  # The copyright file carries the licence; the change log is the one a Debian package must have.
  # Its date is SOURCE_DATE_EPOCH's when set (scripts/package sets the last commit's).
  file(READ ${CMAKE_SOURCE_DIR}/LICENSE BRINDLE_LICENSE_TEXT)
  string(STRIP "${BRINDLE_LICENSE_TEXT}" BRINDLE_LICENSE_TEXT)
  configure_file(${CMAKE_SOURCE_DIR}/doc/copyright.in ${BRINDLE_GENERATED_DOC}/copyright @ONLY)
  string(TIMESTAMP BRINDLE_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${CMAKE_SOURCE_DIR}/doc/changelog.in ${BRINDLE_GENERATED_DOC}/changelog @ONLY)
  add_custom_command(OUTPUT ${BRINDLE_GENERATED_DOC}/changelog.gz
    COMMAND ${BRINDLE_GZIP} -9 -n -c ${BRINDLE_GENERATED_DOC}/changelog > ${BRINDLE_GENERATED_DOC}/changelog.gz
    DEPENDS ${BRINDLE_GENERATED_DOC}/changelog VERBATIM)
  add_custom_target(brindle_docs ALL DEPENDS
    ${BRINDLE_GENERATED_DOC}/brindlewhistler.1.gz ${BRINDLE_GENERATED_DOC}/changelog.gz)

  brindle_example_config(${BRINDLE_GENERATED_DOC}/Brindlewhistler.ini
    "/home/me/.wine/drive_c/GOG Games/NWN2 Complete"
    "/home/me/.wine/drive_c/users/me/Documents/Neverwinter Nights 2")

  install(FILES ${BRINDLE_GENERATED_DOC}/brindlewhistler.1.gz DESTINATION share/man/man1)
  install(FILES README.md ${BRINDLE_GENERATED_DOC}/copyright ${BRINDLE_GENERATED_DOC}/changelog.gz
    DESTINATION ${BRINDLE_DOC_DIR})
  install(FILES ${BRINDLE_GENERATED_DOC}/Brindlewhistler.ini DESTINATION ${BRINDLE_DOC_DIR}/examples)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRINDLE_MAINTAINER}")
  # A tool for module builders, not a game: Debian's games section is for games themselves.
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The long description; its first line, the summary, is CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A console tool for builders of Neverwinter Nights 2 modules. It reads the
game's installation, the player's home folder and one module with its HAK
archives, as the game stacks them, and lists which armor and clothing
variations, armor parts, weapon model parts and armor visual types exist.
It writes them as one NWScript constants script for a crafting system.")
endif()

set(CPACK_PACKAGE_NAME ${BRINDLE_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "the Brindlewhistler authors")
set(CPACK_PACKAGE_CONTACT "${BRINDLE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${BRINDLE_SUMMARY}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
include(CPack)
