# The help manual: docs/help compiled with chmcmd (Free Pascal's CHM compiler) into
# bin/Skelda.chm, beside the programs, where the window's Help Manual link opens it.
find_program(QB_CHMCMD chmcmd)
if(QB_CHMCMD)
  file(GLOB_RECURSE _qb_help_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
  set(_qb_chm ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Skelda.chm)
  add_custom_command(OUTPUT ${_qb_chm}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-help ${PROJECT_SOURCE_DIR}/docs/help ${_qb_chm}
    DEPENDS ${_qb_help_sources} ${PROJECT_SOURCE_DIR}/scripts/build-help
    COMMENT "Compiling the help manual Skelda.chm"
    VERBATIM)
  add_custom_target(help_manual ALL DEPENDS ${_qb_chm})
else()
  message(STATUS "chmcmd not found: the help manual Skelda.chm is not built")
endif()
