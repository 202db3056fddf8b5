# talvera_use_comctl6(TARGET): links a manifest resource into TARGET (an
# executable) that asks for version 6 of the common controls. Use it for the
# test programs whose controls need version 6; a program takes one manifest,
# so a target that has its own must not call this.
set(TALVERA_COMCTL6_RC ${CMAKE_CURRENT_LIST_DIR}/../resources/comctl6.rc)
function(talvera_use_comctl6 target)
  target_sources(${target} PRIVATE ${TALVERA_COMCTL6_RC})
endfunction()
