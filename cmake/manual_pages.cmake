# zemrath_manual_page(program "what it does"): the program's manual page,
# written by help2man from its --help and --version once the program is
# built, and installed into man1. Without help2man (scripts/install-deps
# installs it) the build says so and installs no manual pages.
find_program(ZEMRATH_HELP2MAN help2man)
if(NOT ZEMRATH_HELP2MAN)
  message(STATUS "help2man not found: the programs' manual pages are not made")
endif()

function(zemrath_manual_page program description)
  if(NOT ZEMRATH_HELP2MAN)
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/man1/${program}.1)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man/man1
    COMMAND ${ZEMRATH_HELP2MAN} --no-info --section=1 --name=${description} --output=${page} $<TARGET_FILE:${program}>
    DEPENDS ${program}
    COMMENT "Writing the manual page of ${program}")
  add_custom_target(${program}-manual-page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
